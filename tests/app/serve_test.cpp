// "kivano serve" over HTTP as scripts use it: each test starts its own
// server with its temporary folder in a folder of the test's, and stops it
// with SIGTERM, which must end it cleanly.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <bit>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <regex>
#include <sstream>
#include <thread>

#include <cairo.h>
#include <httplib.h>
#include <nlohmann/json.hpp>

#include "../test_files.h"

extern char** environ;

namespace fs = std::filesystem;
using nlohmann::json;

namespace {

std::string example(const std::string& name) {
    return std::string(KIVANO_EXAMPLES) + "/" + name;
}

class Server {
public:
    Server(const TempDir& temp, const std::vector<std::string>& extra = {}) {
        std::vector<std::string> args{KIVANO_EXE, "serve", "--port", "0"};
        args.insert(args.end(), extra.begin(), extra.end());
        std::vector<char*> argv;
        for (std::string& arg : args)
            argv.push_back(arg.data());
        argv.push_back(nullptr);
        std::vector<std::string> env{"TMPDIR=" + temp.path.string(),
                                     std::string("KIVANO_PLUGIN=") + KIVANO_PLUGIN_FILE};
        for (char** e = environ; *e; ++e)
            if (std::strncmp(*e, "TMPDIR=", 7) != 0 && std::strncmp(*e, "KIVANO_PLUGIN=", 14) != 0)
                env.push_back(*e);
        std::vector<char*> envp;
        for (std::string& e : env)
            envp.push_back(e.data());
        envp.push_back(nullptr);
        int out[2];
        EXPECT_EQ(pipe(out), 0);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        EXPECT_EQ(posix_spawn(&pid_, KIVANO_EXE, &actions, nullptr, argv.data(), envp.data()), 0);
        posix_spawn_file_actions_destroy(&actions);
        close(out[1]);
        output_ = fdopen(out[0], "r");
        std::array<char, 256> line{};
        std::smatch m;
        std::string text = std::fgets(line.data(), int(line.size()), output_) ? line.data() : "";
        std::regex address("http://127\\.0\\.0\\.1:(\\d+)/\\?token=([0-9a-f]{32}) ");
        if (std::regex_search(text, m, address)) {
            port = std::stoi(m[1]);
            token = m[2];
        }
        EXPECT_GT(port, 0) << text;
    }
    ~Server() {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            int status = 0;
            waitpid(pid_, &status, 0);
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
        }
        std::fclose(output_);
    }
    pid_t pid() const { return pid_; }
    // Ends the server as a crash or the system would.
    void kill(int signal) {
        ::kill(pid_, signal);
        waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }
    // A client as scripts are: with the token in a header.
    httplib::Client client() const {
        httplib::Client c = anonymous();
        c.set_default_headers({{"X-Kivano-Token", token}});
        return c;
    }
    httplib::Client anonymous() const {
        httplib::Client c("127.0.0.1", port);
        c.set_read_timeout(600);
        return c;
    }

    int port = 0;
    std::string token;

private:
    pid_t pid_ = -1;
    FILE* output_ = nullptr;
};

httplib::MultipartFormData file(const std::string& name, const std::string& content) {
    return {"files", content, name, "application/octet-stream"};
}

httplib::MultipartFormDataItems figure() {
    return {file("figure.obj", readAll(example("figure.obj"))),
            file("figure.mtl", readAll(example("figure.mtl"))),
            file("figure_face.png", readAll(example("figure_face.png")))};
}

json body(const httplib::Result& res) {
    return res ? json::parse(res->body, nullptr, false) : json();
}

// Posts a job and follows its event stream to the end; returns the events.
std::vector<json> runJob(const Server& server, const httplib::MultipartFormDataItems& items,
                         std::string& id) {
    httplib::Client c = server.client();
    auto posted = c.Post("/api/jobs", items);
    EXPECT_TRUE(posted && posted->status == 200) << (posted ? posted->body : "no answer");
    id = body(posted).value("id", "");
    std::string stream;
    c.Get("/api/jobs/" + id + "/events", [&](const char* data, size_t n) {
        stream.append(data, n);
        return true;
    });
    std::vector<json> events;
    std::regex record("data: (.*)\n\n");
    for (std::sregex_iterator it(stream.begin(), stream.end(), record), end; it != end; ++it)
        events.push_back(json::parse((*it)[1].str()));
    return events;
}

int pdfPages(const std::string& pdf, const TempDir& temp) {
    std::string path = temp / "downloaded.pdf";
    std::ofstream(path, std::ios::binary) << pdf;
    FILE* pipe = popen(("pdfinfo '" + path + "' 2>&1").c_str(), "r");
    std::string out;
    std::array<char, 512> buffer;
    while (std::fgets(buffer.data(), int(buffer.size()), pipe))
        out += buffer.data();
    pclose(pipe);
    std::smatch m;
    return std::regex_search(out, m, std::regex("Pages:\\s+(\\d+)")) ? std::stoi(m[1]) : -1;
}

// faces.bin decoded by the layout the README gives, into the shape of
// faces.json; null when the bytes break the layout anywhere.
json facesFromBinary(const std::string& bytes) {
    size_t at = 0;
    bool whole = true;
    auto word = [&]() -> uint32_t {
        if (at + 4 > bytes.size())
            return whole = false, 0u;
        uint32_t v = 0;
        for (int b = 3; b >= 0; --b)
            v = v << 8 | static_cast<unsigned char>(bytes[at + size_t(b)]);
        at += 4;
        return v;
    };
    auto integer = [&]() { return int32_t(word()); };
    auto real = [&]() { return double(std::bit_cast<float>(word())); };
    uint32_t magic = word(), version = word();
    size_t faces = word(), pages = word(), tiles = word();
    if (magic != 0x53434146u || version != 1 ||
        bytes.size() < 20 + 4 * (2 * pages + 21 * faces + 8 * tiles))
        return nullptr;
    json out{{"pages", json::array()}, {"faces", json::array()}};
    for (size_t p = 0; p < pages; ++p)
        out["pages"].push_back({{"width", real()}, {"height", real()}});
    std::vector<json> f(faces, json::object());
    for (json& face : f)
        face["net"] = integer();
    for (json& face : f)
        face["page"] = integer();
    for (json& face : f)
        for (int k = 0; k < 3; ++k)
            face["paper"].push_back({real(), real()});
    for (json& face : f)
        for (int k = 0; k < 3; ++k)
            face["model"].push_back({real(), real(), real()});
    for (json& face : f)
        for (int k = 0; k < 3; ++k)
            face["corners"].push_back(integer());
    std::vector<int> tileFace(tiles), tilePage(tiles);
    for (int& t : tileFace)
        t = integer();
    for (int& t : tilePage)
        t = integer();
    for (size_t t = 0; t < tiles; ++t) {
        if (tileFace[t] < 0 || size_t(tileFace[t]) >= faces)
            return nullptr;
        json paper = json::array();
        for (int k = 0; k < 3; ++k)
            paper.push_back({real(), real()});
        f[size_t(tileFace[t])]["tiles"].push_back({{"page", tilePage[t]}, {"paper", paper}});
    }
    for (json& face : f)
        face["face"] = integer();
    if (!whole || at != bytes.size())
        return nullptr;
    out["faces"] = f;
    return out;
}

// Every fractional number of `j` as single precision keeps it.
json singlePrecision(json j) {
    if (j.is_number_float())
        return double(float(j.get<double>()));
    if (!j.is_structured())
        return j;
    for (json& item : j)
        item = singlePrecision(item);
    return j;
}
}  // namespace

TEST(Serve, AJobReportsItsStagesAndServesWhatItsReportCounts) {
    TempDir temp;
    Server server(temp);
    std::string id;
    std::vector<json> events = runJob(server, figure(), id);
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events.back()["stage"], "done");
    int step = 0;
    for (const json& e : events)
        if (e.contains("step")) {
            EXPECT_EQ(e["step"].get<int>(), step + 1) << e.dump();
            step = e["step"];
        }
    EXPECT_EQ(step, events[1]["steps"].get<int>());

    httplib::Client c = server.client();
    json report = body(c.Get("/api/jobs/" + id))["report"];
    int pages = report["pages"];
    ASSERT_GT(pages, 0);
    EXPECT_EQ(pdfPages(c.Get("/api/jobs/" + id + "/sheet.pdf")->body, temp), pages);
    for (int n = 1; n <= pages + 1; ++n) {
        auto svg = c.Get("/api/jobs/" + id + "/page-" + std::to_string(n) + ".svg");
        EXPECT_EQ(svg->status, n <= pages ? 200 : 404) << n;
        if (n <= pages) {
            EXPECT_NE(svg->body.find("<svg"), std::string::npos);
        }
    }
    EXPECT_NE(c.Get("/api/jobs/" + id + "/scene.obj")->body.find("\nf "), std::string::npos);
    // Every triangle on the sheet, each within a page that exists, its net
    // one of those printed.
    json faces = body(c.Get("/api/jobs/" + id + "/faces"))["faces"];
    EXPECT_EQ(int(faces.size()), report["triangle_objects"].get<int>());
    json sizes = body(c.Get("/api/jobs/" + id + "/faces"))["pages"];
    ASSERT_EQ(int(sizes.size()), pages);
    std::set<int> nets;
    for (const json& f : faces) {
        int page = f["page"];
        ASSERT_GE(page, 1);
        ASSERT_LE(page, pages);
        nets.insert(f["net"].get<int>());
        const json& size = sizes[size_t(page - 1)];
        for (const json& corner : f["paper"]) {
            EXPECT_GE(corner[0].get<double>(), 0.0);
            EXPECT_LE(corner[0].get<double>(), size["width"].get<double>());
            EXPECT_GE(corner[1].get<double>(), 0.0);
            EXPECT_LE(corner[1].get<double>(), size["height"].get<double>());
        }
    }
    EXPECT_EQ(int(nets.size()), report["nets"].get<int>());

    // Each triangle names the polygon of the file it was cut from: its
    // corners are that polygon's, and a polygon of n corners gives n - 2.
    std::vector<std::array<double, 3>> points;
    std::vector<std::vector<int>> polygons;
    std::istringstream obj(readAll(example("figure.obj")));
    for (std::string line; std::getline(obj, line);) {
        std::istringstream words(line);
        std::string kind, corner;
        words >> kind;
        if (kind == "v")
            words >> points.emplace_back()[0] >> points.back()[1] >> points.back()[2];
        else if (kind == "f")
            for (polygons.emplace_back(); words >> corner;)
                polygons.back().push_back(std::stoi(corner) - 1);
    }
    std::vector<int> cut(polygons.size(), 0);
    for (const json& f : faces) {
        int face = f["face"];
        ASSERT_GE(face, 0);
        ASSERT_LT(face, int(polygons.size()));
        ++cut[size_t(face)];
        // its corners by the file's own point numbers, those of its polygon
        for (const json& point : f["corners"])
            EXPECT_NE(std::count(polygons[size_t(face)].begin(), polygons[size_t(face)].end(),
                                 point.get<int>()),
                      0)
                << "face " << face << " point " << point;
        for (const json& corner : f["model"]) {
            bool onPolygon = false;
            for (int v : polygons[size_t(face)])
                onPolygon |= std::abs(points[size_t(v)][0] - corner[0].get<double>()) < 1e-4 &&
                             std::abs(points[size_t(v)][1] - corner[1].get<double>()) < 1e-4 &&
                             std::abs(points[size_t(v)][2] - corner[2].get<double>()) < 1e-4;
            EXPECT_TRUE(onPolygon) << "face " << face << " corner " << corner.dump();
        }
    }
    for (size_t p = 0; p < polygons.size(); ++p)
        EXPECT_EQ(cut[p], int(polygons[p].size()) - 2) << "polygon " << p;
}

TEST(Serve, TheFacesInBinaryAreTheFacesOfTheJsonOnTilesAndAfterAnEdit) {
    TempDir temp;
    Server server(temp);
    httplib::Client c = server.client();
    auto agree = [&](const std::string& job) {
        auto bin = c.Get(job + "/faces.bin");
        EXPECT_EQ(bin->status, 200);
        EXPECT_EQ(bin->get_header_value("Content-Type"), "application/octet-stream");
        json decoded = facesFromBinary(bin->body);
        json expected = singlePrecision(body(c.Get(job + "/faces")));
        EXPECT_FALSE(decoded.is_null()) << "faces.bin breaks its layout";
        EXPECT_FALSE(expected["faces"].empty());
        EXPECT_EQ(decoded["pages"], expected["pages"]);
        EXPECT_EQ(decoded["faces"].size(), expected["faces"].size());
        for (size_t i = 0; i < std::min(decoded["faces"].size(), expected["faces"].size()); ++i)
            if (decoded["faces"][i] != expected["faces"][i]) {
                ADD_FAILURE() << "face " << i << ": " << decoded["faces"][i].dump() << " vs "
                              << expected["faces"][i].dump();
                break;
            }
        return bin->body;
    };
    std::string id;
    ASSERT_EQ(runJob(server, figure(), id).back()["stage"], "done");
    agree("/api/jobs/" + id);

    // On small pages the figure's nets are tiled: faces show on several.
    httplib::MultipartFormDataItems items = figure();
    items.push_back({"options", R"({"page": "100x100", "margin": 5})", "", ""});
    ASSERT_EQ(runJob(server, items, id).back()["stage"], "done");
    std::string job = "/api/jobs/" + id;
    std::string before = agree(job);
    EXPECT_NE(body(c.Get(job + "/faces")).dump().find("\"tiles\""), std::string::npos);
    // An edit's faces are written before they are served: a net turned
    // about its middle, one that stays on its page.
    int turned = 0;
    for (int net = body(c.Get(job))["report"]["nets"]; net > 0 && turned != 200; --net)
        turned = c.Post(job + "/edits", json{{"op", "turn"}, {"net", net}, {"degrees", 180}}.dump(),
                        "application/json")
                     ->status;
    ASSERT_EQ(turned, 200);
    EXPECT_NE(agree(job), before);
}

TEST(Serve, AnUploadOverTheLimitIsRefusedWithItsReason) {
    TempDir temp;
    Server server(temp, {"--max-upload-mb", "1"});
    httplib::Client c = server.client();
    auto res = c.Post("/api/jobs", {file("big.obj", std::string(2 * 1024 * 1024, '#'))});
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 413);
    EXPECT_EQ(body(res)["error"], "the upload is larger than the limit of 1 MB");
    EXPECT_EQ(c.Get("/")->status, 200);
}

TEST(Serve, UploadsStayInTheJobsFolderAndNothingOutsideItIsRead) {
    TempDir temp;
    // The figure's texture, put where only a reference that climbs out of
    // the job's folder reaches it.
    fs::copy_file(example("figure_face.png"), temp / "secret.png");
    Server server(temp);
    std::string mtl = std::regex_replace(readAll(example("figure.mtl")),
                                         std::regex("figure_face\\.png"), "../../../secret.png");
    std::string id;
    std::vector<json> events = runJob(server,
                                      {file("../../escaped.obj", readAll(example("figure.obj"))),
                                       file("C:\\models\\figure.mtl", mtl)},
                                      id);
    ASSERT_EQ(events.back()["stage"], "done") << events.back().dump();
    EXPECT_FALSE(fs::exists(temp / "escaped.obj"));
    std::vector<fs::path> stored;
    for (const auto& entry : fs::recursive_directory_iterator(temp.path))
        if (entry.path().filename() == "escaped.obj")
            stored.push_back(entry.path().parent_path());
    ASSERT_EQ(stored.size(), 1u);
    EXPECT_EQ(stored[0].parent_path().filename(), id);

    httplib::Client c = server.client();
    json report = body(c.Get("/api/jobs/" + id))["report"];
    std::string warnings = report["warnings"].dump();
    EXPECT_NE(warnings.find("../../../secret.png"), std::string::npos) << warnings;
    EXPECT_EQ(warnings.find(temp.path.string()), std::string::npos) << warnings;
    for (int n = 1; n <= report["pages"].get<int>(); ++n) {
        std::string svg = c.Get("/api/jobs/" + id + "/page-" + std::to_string(n) + ".svg")->body;
        EXPECT_EQ(svg.find("<image"), std::string::npos) << "page " << n;
    }

    for (const char* name : {"..", "a/..", "dir/"}) {
        auto res = c.Post("/api/jobs", {file(name, "v 0 0 0\n")});
        EXPECT_EQ(res->status, 400) << name;
        EXPECT_NE(body(res)["error"].get<std::string>().find("no file name"), std::string::npos);
    }
}

TEST(Serve, AJobServesItsOwnOutputsWhateverTheUploadIsNamed) {
    TempDir temp;
    Server server(temp);
    httplib::Client c = server.client();
    std::string cube = readAll(example("cube.obj"));
    std::string id;
    ASSERT_EQ(runJob(server, {file("scene.obj", cube)}, id).back()["stage"], "done");
    std::string scene = c.Get("/api/jobs/" + id + "/scene.obj")->body;
    EXPECT_NE(scene, cube);
    EXPECT_NE(scene.find("\nf "), std::string::npos);
    auto page = c.Get("/api/jobs/" + id + "/page-1.svg");
    EXPECT_NE(page->get_header_value("Content-Security-Policy").find("sandbox"), std::string::npos);
    EXPECT_EQ(page->get_header_value("X-Content-Type-Options"), "nosniff");
    EXPECT_EQ(c.Get("/api/jobs/" + id)->get_header_value("X-Content-Type-Options"), "nosniff");
    EXPECT_EQ(c.Get("/api/jobs/" + id + "/page-2.svg")->status, 404);

    // A page with a script, uploaded under an output's name, is never served.
    std::string script = "<svg xmlns='http://www.w3.org/2000/svg'><script>alert(1)</script></svg>";
    runJob(server, {file("page-2.svg", script), file("sheet.pdf.png", script)}, id);
    for (const char* name : {"page-2.svg", "sheet.pdf", "page-1.svg"}) {
        auto res = c.Get("/api/jobs/" + id + "/" + name);
        EXPECT_EQ(res->body.find("alert"), std::string::npos) << name;
    }
}

TEST(Serve, OnlyItsOwnPagesWithItsTokenGetIn) {
    TempDir temp;
    Server server(temp);
    std::string self = "127.0.0.1:" + std::to_string(server.port);
    std::string job = "/api/jobs/" + std::string(32, 'a');
    auto status = [&](httplib::Client c, const std::string& path, httplib::Headers headers) {
        auto res = c.Get(path, headers);
        return res ? res->status : -1;
    };
    // No token, a wrong one: refused before anything is looked up.
    EXPECT_EQ(status(server.anonymous(), job, {}), 403);
    EXPECT_EQ(status(server.anonymous(), job, {{"X-Kivano-Token", std::string(32, '0')}}), 403);
    auto post = server.anonymous().Post("/api/jobs", {file("cube.obj", "v 0 0 0\n")});
    EXPECT_EQ(post->status, 403);
    EXPECT_NE(body(post)["error"].get<std::string>().find("address kivano serve printed"),
              std::string::npos);
    EXPECT_EQ(status(server.client(), job, {}), 404);
    // Any other name of this machine (DNS rebinding) or another site's page.
    for (std::string host : {"evil.example:" + std::to_string(server.port),
                             std::string("127.0.0.1:1"), std::string("127.0.0.1")}) {
        EXPECT_EQ(status(server.client(), job, {{"Host", host}}), 403) << host;
        EXPECT_EQ(status(server.client(), "/", {{"Host", host}}), 403) << host;
    }
    EXPECT_EQ(status(server.client(), "/", {{"Host", "localhost:" + std::to_string(server.port)}}),
              200);
    for (const char* origin : {"https://evil.example", "null", "http://127.0.0.1:1"})
        EXPECT_EQ(status(server.client(), job, {{"Origin", origin}}), 403) << origin;
    EXPECT_EQ(status(server.client(), job, {{"Origin", "http://" + self}}), 404);
    // The printed address sets the cookie the page's own requests carry.
    auto opened = server.anonymous().Get("/?token=" + server.token);
    std::string cookie = opened->get_header_value("Set-Cookie");
    EXPECT_NE(cookie.find("SameSite=Strict"), std::string::npos) << cookie;
    EXPECT_EQ(status(server.anonymous(), job, {{"Cookie", cookie.substr(0, cookie.find(';'))}}),
              404);
    EXPECT_EQ(server.anonymous().Get("/?token=wrong")->get_header_value("Set-Cookie"), "");
}

// A model that takes the unfolding many seconds: a flat grid of n x n
// squares, cut into the fewest pieces.
std::string slowModel(int n = 120) {
    std::ostringstream obj;
    for (int i = 0; i <= n; ++i)
        for (int j = 0; j <= n; ++j)
            obj << "v " << i << " " << j << " " << ((i * 7 + j * 3) % 5) * 0.1 << "\n";
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) {
            int a = i * (n + 1) + j + 1, b = a + n + 1;
            obj << "f " << a << " " << b << " " << b + 1 << " " << a + 1 << "\n";
        }
    return obj.str();
}

httplib::MultipartFormDataItems slowJob() {
    return {file("grid.obj", slowModel()), {"options", "{\"pieces\": \"fewest\"}", "", ""}};
}

std::string postJob(const Server& server, const httplib::MultipartFormDataItems& items) {
    return body(server.client().Post("/api/jobs", items)).value("id", "");
}

std::string stateOf(const Server& server, const std::string& id) {
    return body(server.client().Get("/api/jobs/" + id)).value("state", "");
}

bool waitFor(const std::function<bool()>& condition, double seconds) {
    for (auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
         std::chrono::steady_clock::now() < end;
         std::this_thread::sleep_for(std::chrono::milliseconds(50)))
        if (condition())
            return true;
    return false;
}

TEST(Serve, TheQueueIsCappedAndJobsCanBeCancelled) {
    TempDir temp;
    Server server(temp, {"--max-queue", "1"});
    httplib::Client c = server.client();
    std::string running = postJob(server, slowJob());
    ASSERT_TRUE(waitFor([&] { return stateOf(server, running) == "running"; }, 60));
    std::string waiting = postJob(server, {file("cube.obj", readAll(example("cube.obj")))});
    EXPECT_EQ(stateOf(server, waiting), "queued");
    EXPECT_EQ(body(c.Get("/api/jobs/" + waiting))["event"]["position"], 1);
    auto full = c.Post("/api/jobs", {file("cube.obj", readAll(example("cube.obj")))});
    EXPECT_EQ(full->status, 429);
    EXPECT_NE(body(full)["error"].get<std::string>().find("1 jobs are waiting"), std::string::npos);

    EXPECT_EQ(c.Delete("/api/jobs/" + waiting)->status, 200);
    EXPECT_EQ(stateOf(server, waiting), "cancelled");
    EXPECT_EQ(c.Delete("/api/jobs/" + running)->status, 200);
    EXPECT_TRUE(waitFor([&] { return stateOf(server, running) == "cancelled"; }, 10));
    EXPECT_EQ(c.Delete("/api/jobs/" + running)->status, 409);
    EXPECT_EQ(c.Delete("/api/jobs/" + std::string(32, 'b'))->status, 404);
    // The queue goes on after cancelled jobs.
    std::string id;
    EXPECT_EQ(runJob(server, {file("cube.obj", readAll(example("cube.obj")))}, id).back()["stage"],
              "done");
}

// Ids of this process's children, whichever thread started them.
std::vector<pid_t> childrenOf(pid_t parent) {
    std::vector<pid_t> children;
    for (const auto& task : fs::directory_iterator("/proc/" + std::to_string(parent) + "/task")) {
        std::istringstream list(readAll(task.path() / "children"));
        for (pid_t child; list >> child;)
            children.push_back(child);
    }
    return children;
}

TEST(Serve, ARunIsHeldToItsTimeAndDiesWithTheServer) {
    TempDir temp;
    {
        Server server(temp, {"--job-seconds", "1"});
        std::string id;
        std::vector<json> events = runJob(server, slowJob(), id);
        EXPECT_EQ(events.back()["stage"], "failed");
        EXPECT_EQ(events.back()["error"],
                  "the unfolding took longer than this server allows (1 s)");
    }
    Server server(temp);
    std::string id = postJob(server, slowJob());
    ASSERT_TRUE(waitFor([&] { return stateOf(server, id) == "running"; }, 60));
    std::vector<pid_t> children;
    ASSERT_TRUE(waitFor([&] { return !(children = childrenOf(server.pid())).empty(); }, 10));
    server.kill(SIGKILL);
    EXPECT_TRUE(waitFor([&] { return kill(children[0], 0) != 0; }, 10));
}

#if !defined(__SANITIZE_ADDRESS__)
TEST(Serve, ARunIsHeldToItsMemory) {
    TempDir temp;
    // The cube needs less than half of this; the grid far more.
    Server server(temp, {"--job-memory-mb", "120"});
    std::string id;
    EXPECT_EQ(runJob(server, {file("cube.obj", readAll(example("cube.obj")))}, id).back()["stage"],
              "done");
    std::vector<json> events = runJob(server, slowJob(), id);
    EXPECT_EQ(events.back()["stage"], "failed");
    std::string error = events.back()["error"];
    EXPECT_NE(error.find("not enough memory"), std::string::npos) << error;
}
#endif

TEST(Serve, SlowClientsLeaveRoomForOthers) {
    TempDir temp;
    Server server(temp);
    constexpr int kSlowClients = 40;
    std::atomic<bool> done{false};
    std::vector<std::thread> slow;
    for (int i = 0; i < kSlowClients; ++i)
        slow.emplace_back([&] {
            int sock = socket(AF_INET, SOCK_STREAM, 0);
            sockaddr_in address{};
            address.sin_family = AF_INET;
            address.sin_port = htons(uint16_t(server.port));
            address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            if (connect(sock, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
                std::string start = "GET / HTTP/1.1\r\n";
                send(sock, start.data(), start.size(), MSG_NOSIGNAL);
                // A header line now and then, never the end of the headers.
                while (!done) {
                    send(sock, "X-Slow: 1\r\n", 11, MSG_NOSIGNAL);
                    std::this_thread::sleep_for(std::chrono::seconds(1));
                }
            }
            close(sock);
        });
    std::this_thread::sleep_for(std::chrono::seconds(2));
    httplib::Client c = server.client();
    c.set_read_timeout(5);
    for (int i = 0; i < 3; ++i) {
        auto res = c.Get("/");
        EXPECT_TRUE(res && res->status == 200) << i;
    }
    done = true;
    for (std::thread& t : slow)
        t.join();
}

TEST(Serve, MalformedRequestsAreRefusedAndTheServerGoesOn) {
    TempDir temp;
    Server server(temp);
    httplib::Client c = server.client();
    struct Case {
        std::string type, body;
    };
    const Case cases[] = {
        {"multipart/form-data; boundary=xyz", "--xyz\r\nContent-Disposition: form-data; na"},
        {"multipart/form-data; boundary=xyz", "garbage without any boundary"},
        {"multipart/form-data", "--\r\n\r\n"},
        {"application/json", "{\"files\": 1}"},
    };
    for (const Case& bad : cases) {
        auto res = c.Post("/api/jobs", bad.body, bad.type);
        ASSERT_TRUE(res) << bad.body;
        EXPECT_EQ(res->status, 400) << bad.body;
    }
    auto withOptions = [&](const std::string& options) {
        httplib::MultipartFormDataItems items{file("figure.obj", readAll(example("figure.obj"))),
                                              {"options", options, "", ""}};
        return body(c.Post("/api/jobs", items)).value("error", "");
    };
    EXPECT_EQ(withOptions("{\"pages\": 3}"), "unknown option 'pages' (did you mean 'page'?)");
    EXPECT_EQ(withOptions("{\"margin\": \"wide\"}"), "option margin: give a number");
    EXPECT_EQ(withOptions("[1, 2"), "the options are no JSON object");
    EXPECT_EQ(withOptions(std::string(60000, '[')), "the options are no JSON object");
    // A small glTF nested deeper than any stack: refused by its run, in words.
    std::string id,
        deep = "{\"asset\": " + std::string(100000, '[') + std::string(100000, ']') + "}";
    std::vector<json> events = runJob(server, {file("deep.gltf", deep)}, id);
    EXPECT_EQ(events.back()["stage"], "failed");
    EXPECT_NE(events.back()["error"].get<std::string>().find("deep"), std::string::npos)
        << events.back().dump();
    EXPECT_EQ(c.Get("/api/jobs/0123456789abcdef0123456789abcdef")->status, 404);
    EXPECT_EQ(c.Get("/api/jobs/../../etc/passwd")->status, 404);
    EXPECT_EQ(c.Get("/index.html")->status, 200);
}

// The first line the command prints for `args`, run where the model is.
std::string commandLineError(const fs::path& model, const std::string& args, const TempDir& temp) {
    std::string command = "cd '" + model.parent_path().string() + "' && KIVANO_PLUGIN='" +
                          KIVANO_PLUGIN_FILE + "' '" + KIVANO_EXE + "' unfold '" +
                          model.filename().string() + "' --quiet -o '" + (temp / "x.pdf") + "' " +
                          args + " 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    std::array<char, 1024> line{};
    std::string first = std::fgets(line.data(), int(line.size()), pipe) ? line.data() : "";
    pclose(pipe);
    return first;
}

TEST(Serve, ABadModelOrOptionFailsWithTheCommandLinesErrorLine) {
    TempDir temp;
    Server server(temp);
    auto cliLine = [&](const fs::path& model, const std::string& args) {
        return std::regex_replace(commandLineError(model, args, temp),
                                  std::regex("^kivano: error: "), "");
    };
    // A model the run cannot read: its job fails with the command's line.
    fs::path model = fs::path(KIVANO_BAD) / "no_faces.obj";
    std::string id;
    std::vector<json> events =
        runJob(server, {file(model.filename().string(), readAll(model))}, id);
    EXPECT_EQ(events.back()["stage"], "failed");
    EXPECT_EQ(body(server.client().Get("/api/jobs/" + id)).value("error", "(no error)") + "\n",
              cliLine(model, ""));
    EXPECT_EQ(server.client().Get("/api/jobs/" + id + "/sheet.pdf")->status, 409);
    // Too many pages: the height the sentence proposes also comes as a number.
    httplib::MultipartFormDataItems huge{
        file("cube.obj", readAll(example("cube.obj"))),
        {"options", R"({"height": 2000, "max-pages": 1})", "", ""}};
    events = runJob(server, huge, id);
    std::smatch m;
    std::string error = events.back().value("error", "");
    ASSERT_TRUE(std::regex_search(error, m, std::regex("e\\.g\\. --height ([0-9]+),"))) << error;
    json proposed =
        json::array({{{"option", "height"}, {"value", std::stoi(m[1])}, {"reason", "pages"}}});
    EXPECT_EQ(events.back()["suggestions"], proposed);
    EXPECT_EQ(body(server.client().Get("/api/jobs/" + id))["suggestions"], proposed);
    // An option out of its range or choices: refused before a job is made,
    // in the command's words.
    for (auto [options, args] : {std::pair{"{\"pieces\": \"bogus\"}", "--pieces bogus"},
                                 std::pair{"{\"lug-width\": 0}", "--lug-width 0"},
                                 std::pair{"{\"page\": \"1e9x1e9\"}", "--page 1e9x1e9"}}) {
        httplib::MultipartFormDataItems items{file("cube.obj", readAll(example("cube.obj"))),
                                              {"options", options, "", ""}};
        auto res = server.client().Post("/api/jobs", items);
        EXPECT_EQ(res->status, 400) << options;
        EXPECT_EQ(body(res).value("error", "") + "\n", cliLine(example("cube.obj"), args))
            << options;
    }
}

TEST(Serve, TheOptionsAreServedAsTheFormShowsThem) {
    TempDir temp;
    Server server(temp);
    json groups = body(server.client().Get("/api/options"))["groups"];
    std::set<std::string> names;
    for (const json& group : groups)
        for (const json& option : group["options"])
            names.insert(option["name"].get<std::string>());
    // Each is an option of the command line, and the command's --help names each.
    FILE* pipe = popen((std::string("'") + KIVANO_EXE + "' unfold --help").c_str(), "r");
    std::array<char, 4096> buffer{};
    std::string help;
    while (std::fgets(buffer.data(), int(buffer.size()), pipe))
        help += buffer.data();
    pclose(pipe);
    EXPECT_GE(names.size(), 16u);
    for (const std::string& name : names)
        EXPECT_NE(help.find("--" + name), std::string::npos) << name;
    EXPECT_EQ(server.anonymous().Get("/api/options")->status, 403);
}

TEST(Serve, ManyRequestsAtOnceAreAllAnsweredAndJobsRunOneAtATime) {
    TempDir temp;
    Server server(temp);
    constexpr int kClients = 24;
    std::atomic<int> answered{0}, jobsDone{0};
    std::vector<std::string> ids(3);
    std::vector<std::thread> threads;
    for (int j = 0; j < 3; ++j)
        threads.emplace_back([&, j] {
            std::vector<json> events = runJob(server, figure(), ids[size_t(j)]);
            jobsDone += !events.empty() && events.back()["stage"] == "done";
        });
    for (int i = 0; i < kClients; ++i)
        threads.emplace_back([&, i] {
            httplib::Client c = server.client();
            auto page = c.Get(i % 2 ? "/" : "/three/three.module.js");
            auto missing = c.Get("/api/jobs/ffffffffffffffff");
            auto bad = c.Post("/api/jobs", "x", "multipart/form-data; boundary=b");
            answered += page && page->status == 200 && missing && missing->status == 404 && bad &&
                        bad->status == 400;
        });
    for (std::thread& t : threads)
        t.join();
    // The runs' times, as the server took them, never overlap.
    std::vector<std::pair<double, double>> runs;
    for (const std::string& id : ids) {
        json job = body(server.client().Get("/api/jobs/" + id));
        runs.emplace_back(job["started"].get<double>(), job["finished"].get<double>());
    }
    std::sort(runs.begin(), runs.end());
    for (size_t i = 1; i < runs.size(); ++i)
        EXPECT_LE(runs[i - 1].second, runs[i].first);
    EXPECT_EQ(answered, kClients);
    EXPECT_EQ(jobsDone, 3);
}

namespace {

std::string withoutDate(std::string pdf) {
    size_t at = pdf.find("/CreationDate (");
    if (at != std::string::npos)
        pdf.erase(at, pdf.find(')', at) - at + 1);
    return pdf;
}

}  // namespace

// A finished job's sheet edited over the API as the page edits it: a fold
// cut, a cut joined, a tab flipped, a net moved to a page of its own and
// turned, each answered with the new counts or refused in a sentence that
// changes nothing; undoing everything gives back the first PDF to the byte,
// redo works, and the project downloaded and uploaded with the model prints
// the edited sheet again.
TEST(Serve, EditsOverTheApiUndoToTheFirstSheetAndTheProjectTravels) {
    TempDir temp;
    Server server(temp);
    std::string id;
    std::vector<json> events = runJob(server, figure(), id);
    ASSERT_EQ(events.back()["stage"], "done");
    httplib::Client c = server.client();
    std::string job = "/api/jobs/" + id;
    std::string firstPdf = withoutDate(c.Get(job + "/sheet.pdf")->body);
    json first = body(c.Get(job + "/project"));
    ASSERT_TRUE(first.contains("edges")) << first.dump();
    int nets = body(c.Get(job))["report"]["nets"];
    auto edit = [&](const json& e) { return c.Post(job + "/edits", e.dump(), "application/json"); };

    json done;
    for (const json& edge : first["edges"])
        if (edge["fold"]) {
            auto cut = edit({{"op", "cut"}, {"edge", edge["corners"]}});
            ASSERT_EQ(cut->status, 200) << cut->body;
            done = body(cut);
            break;
        }
    EXPECT_GE(done["nets"].get<int>(), nets);
    nets = done["nets"];
    EXPECT_EQ(done["undo_steps"], 1);

    int joins = 0, refusals = 0;
    for (const json& edge : first["edges"]) {
        if (edge["fold"] || joins > 0)
            continue;
        std::string before = c.Get(job + "/project")->body;
        auto joined = edit({{"op", "join"}, {"edge", edge["corners"]}});
        if (joined->status == 200) {
            ++joins;
            EXPECT_EQ(body(joined)["nets"].get<int>(), nets - 1);
            EXPECT_FALSE(body(joined)["changed_nets"].empty());
            nets = body(joined)["nets"];
            EXPECT_NE(c.Get(job + "/project")->body, before);
        } else {
            ++refusals;
            EXPECT_EQ(joined->status, 409) << joined->body;
            EXPECT_FALSE(body(joined)["error"].get<std::string>().empty());
            EXPECT_EQ(c.Get(job + "/project")->body, before) << "a refused join changed it";
        }
    }
    EXPECT_EQ(joins, 1);

    int flips = 0;
    for (const json& edge : first["edges"])
        if (!edge["fold"] && !edge["tab"].is_null() && flips == 0)
            flips += edit({{"op", "flip-tab"}, {"edge", edge["corners"]}})->status == 200;
    EXPECT_EQ(flips, 1);

    int pages = body(c.Get(job))["report"]["pages"];
    auto moved = edit({{"op", "move"}, {"net", 1}, {"page", pages + 1}, {"x", 105}, {"y", 150}});
    ASSERT_EQ(moved->status, 200) << moved->body;
    int last = body(moved)["pages"];  // the page it left may have gone
    EXPECT_GE(last, pages);
    EXPECT_EQ(body(c.Get(job))["report"]["pages"].get<int>(), last);
    EXPECT_EQ(c.Get(job + "/page-" + std::to_string(last) + ".svg")->status, 200);
    json placed = body(c.Get(job + "/project"));
    for (const json& net : placed["nets"])
        if (net["number"] == 1) {
            EXPECT_EQ(net["page"], last);
            EXPECT_EQ(net["pinned"], true);
        }
    auto turned = edit({{"op", "turn"}, {"net", 1}, {"degrees", 90}});
    ASSERT_EQ(turned->status, 200) << turned->body;
    auto outside = edit({{"op", "move"}, {"net", 1}, {"page", 1}, {"x", -500}, {"y", 0}});
    EXPECT_EQ(outside->status, 409);
    EXPECT_NE(body(outside)["error"].get<std::string>().find("printable area"), std::string::npos);
    EXPECT_EQ(edit({{"op", "launch"}})->status, 400);

    std::string editedPdf = withoutDate(c.Get(job + "/sheet.pdf")->body);
    EXPECT_NE(editedPdf, firstPdf);
    json answer;
    for (int steps = 0; steps < 10; ++steps) {
        auto undone = edit({{"op", "undo"}});
        if (undone->status != 200)
            break;
        answer = body(undone);
    }
    EXPECT_EQ(answer["undo_steps"], 0);
    EXPECT_EQ(withoutDate(c.Get(job + "/sheet.pdf")->body), firstPdf);
    EXPECT_EQ(body(c.Get(job + "/project")), first);
    EXPECT_EQ(edit({{"op", "undo"}})->status, 409);

    // Redo everything; the project goes with the model into a new job.
    while (edit({{"op", "redo"}})->status == 200) {
    }
    EXPECT_EQ(withoutDate(c.Get(job + "/sheet.pdf")->body), editedPdf);
    httplib::MultipartFormDataItems items = figure();
    items.push_back(
        {"project", c.Get(job + "/project")->body, "figure.kivano.json", "application/json"});
    std::string again;
    std::vector<json> rerun = runJob(server, items, again);
    ASSERT_EQ(rerun.back()["stage"], "done") << rerun.back().dump();
    EXPECT_EQ(withoutDate(c.Get("/api/jobs/" + again + "/sheet.pdf")->body), editedPdf);
}

// What a hostile page or script sends to the edit API and the project
// upload: refused in words, nothing reaches a run that is not an edit, and
// the server goes on.
TEST(Serve, HostileEditsAndProjectsAreRefusedInWords) {
    TempDir temp;
    Server server(temp);
    httplib::Client c = server.client();
    std::string id;
    ASSERT_EQ(runJob(server, figure(), id).back()["stage"], "done");
    std::string edits = "/api/jobs/" + id + "/edits";
    auto post = [&](const std::string& body) { return c.Post(edits, body, "application/json"); };
    EXPECT_EQ(post(std::string(5000, ' '))->status, 413);
    EXPECT_EQ(post("[[[[[[[[[[]]]]]]]]]]")->status, 400);
    EXPECT_EQ(post(R"({"op": "flush"})")->status, 400);
    EXPECT_EQ(post(R"({"op": "join"})")->status, 409);
    EXPECT_EQ(post(R"({"op": "move", "net": 1, "page": 99999, "x": 1e300, "y": 0})")->status, 409);
    EXPECT_EQ(post(R"({"op": "join", "edge": [0, "1\n{\"op\": \"repack\"}"]})")->status, 409);
    EXPECT_EQ(c.Post("/api/jobs/ffffffffffffffffffffffffffffffff/edits", "{}", "application/json")
                  ->status,
              404);
    // the sheet is as it was
    json undo = body(post(R"({"op": "undo"})"));
    EXPECT_EQ(undo["error"], "there is nothing to undo");

    // A project that is none fails its job with the reason.
    httplib::MultipartFormDataItems items = figure();
    items.push_back(
        {"project", "{\"kivano_project\": 1, \"model\": 3}", "p.kivano.json", "application/json"});
    std::string bad;
    std::vector<json> events = runJob(server, items, bad);
    ASSERT_EQ(events.back()["stage"], "failed");
    EXPECT_NE(events.back()["error"].get<std::string>().find("is not a kivano project"),
              std::string::npos)
        << events.back().dump();
    items.push_back({"project", "{}", "q.kivano.json", "application/json"});
    EXPECT_EQ(c.Post("/api/jobs", items)->status, 400);
}

namespace {

// A picture as ink on paper: a pixel is inked where any channel is well
// below white.
struct Inked {
    int width = 0, height = 0;
    std::vector<bool> ink;
    size_t count() const { return size_t(std::count(ink.begin(), ink.end(), true)); }
};

bool inkOf(int r, int g, int b) {
    return std::min({r, g, b}) < 200;
}

// Read by cairo's PNG reader, which shares nothing with its writer but the
// format.
Inked decodePng(const std::string& png) {
    struct Reader {
        const std::string& bytes;
        size_t at = 0;
    } reader{png};
    cairo_surface_t* surface = cairo_image_surface_create_from_png_stream(
        [](void* closure, unsigned char* data, unsigned int length) {
            Reader& r = *static_cast<Reader*>(closure);
            if (r.at + length > r.bytes.size())
                return CAIRO_STATUS_READ_ERROR;
            std::memcpy(data, r.bytes.data() + r.at, length);
            r.at += length;
            return CAIRO_STATUS_SUCCESS;
        },
        &reader);
    Inked out;
    if (cairo_surface_status(surface) == CAIRO_STATUS_SUCCESS) {
        cairo_surface_flush(surface);
        out.width = cairo_image_surface_get_width(surface);
        out.height = cairo_image_surface_get_height(surface);
        const unsigned char* data = cairo_image_surface_get_data(surface);
        int stride = cairo_image_surface_get_stride(surface);
        for (int y = 0; y < out.height; ++y)
            for (int x = 0; x < out.width; ++x) {
                uint32_t p;
                std::memcpy(&p, data + y * stride + x * 4, 4);
                out.ink.push_back(inkOf(p >> 16 & 0xff, p >> 8 & 0xff, p & 0xff));
            }
    }
    cairo_surface_destroy(surface);
    return out;
}

// Page 1 of a PDF as poppler draws it at a size in pixels.
Inked popplerPage(const std::string& pdf, int width, int height, const TempDir& temp) {
    std::string path = temp / "drawn.pdf", prefix = temp / "drawn";
    std::ofstream(path, std::ios::binary) << pdf;
    Inked out;
    std::string command = "pdftoppm -f 1 -l 1 -singlefile -scale-to-x " + std::to_string(width) +
                          " -scale-to-y " + std::to_string(height) + " '" + path + "' '" + prefix +
                          "'";
    if (std::system(command.c_str()) != 0)
        return out;
    std::ifstream in(prefix + ".ppm", std::ios::binary);
    std::string magic;
    int max = 0;
    in >> magic >> out.width >> out.height >> max;
    in.get();
    std::vector<unsigned char> rgb(size_t(out.width) * size_t(out.height) * 3);
    in.read(reinterpret_cast<char*>(rgb.data()), std::streamsize(rgb.size()));
    for (size_t i = 0; i < rgb.size(); i += 3)
        out.ink.push_back(inkOf(rgb[i], rgb[i + 1], rgb[i + 2]));
    return out;
}

// The width and height a PNG's header gives; zeros for anything else.
std::pair<int, int> pngSize(const std::string& png) {
    if (png.size() < 24 || png.compare(0, 8, "\x89PNG\r\n\x1a\n") != 0 ||
        png.compare(12, 4, "IHDR") != 0)
        return {0, 0};
    auto word = [&](size_t at) {
        uint32_t v = 0;
        for (size_t b = 0; b < 4; ++b)
            v = v << 8 | static_cast<unsigned char>(png[at + b]);
        return int(v);
    };
    return {word(16), word(20)};
}

}  // namespace

// A page as a picture at the width the page shows it: the width stepped up
// to the widths pictures are drawn at, its ink where poppler draws the
// PDF's, before any edit and after one that changes the page; widths that
// are no number refused, huge ones held.
TEST(Serve, APagesPictureIsThePrintedPageAsItStands) {
    TempDir temp;
    Server server(temp);
    std::string id;
    ASSERT_EQ(runJob(server, figure(), id).back()["stage"], "done");
    httplib::Client c = server.client();
    std::string job = "/api/jobs/" + id;
    json page = body(c.Get(job + "/faces"))["pages"][0];
    int height = int(std::lround(640 * page["height"].get<double>() / page["width"].get<double>()));
    auto agreesWithPdf = [&](const std::string& png) {
        auto [w, h] = pngSize(png);
        EXPECT_EQ(w, 640);
        EXPECT_NEAR(h, height, 1);
        Inked picture = decodePng(png);
        Inked printed = popplerPage(c.Get(job + "/sheet.pdf")->body, w, h, temp);
        EXPECT_EQ(picture.width, w);
        EXPECT_EQ(picture.height, h);
        ASSERT_EQ(printed.ink.size(), picture.ink.size());
        EXPECT_GT(picture.count(), picture.ink.size() / 10) << "the picture is nearly blank";
        size_t both = 0, either = 0;
        for (size_t i = 0; i < picture.ink.size(); ++i) {
            both += picture.ink[i] && printed.ink[i];
            either += picture.ink[i] || printed.ink[i];
        }
        EXPECT_GT(double(both) / double(either), 0.95)
            << both << " inked pixels shared of " << either;
    };
    auto first = c.Get(job + "/page-1.png?width=600");
    ASSERT_EQ(first->status, 200) << first->body;
    EXPECT_EQ(first->get_header_value("Content-Type"), "image/png");
    agreesWithPdf(first->body);
    EXPECT_TRUE(c.Get(job + "/page-1.png?width=640")->body == first->body)
        << "600 and 640 are one width";

    json project = body(c.Get(job + "/project"));
    for (const json& edge : project["edges"])
        if (edge["fold"]) {
            auto cut = c.Post(job + "/edits", json{{"op", "cut"}, {"edge", edge["corners"]}}.dump(),
                              "application/json");
            ASSERT_EQ(cut->status, 200) << cut->body;
            ASSERT_EQ(body(cut)["changed_pages"][0], 1) << cut->body;
            break;
        }
    std::string edited = c.Get(job + "/page-1.png?width=600")->body;
    EXPECT_TRUE(edited != first->body) << "the picture of the page before the edit";
    agreesWithPdf(edited);

    int pages = body(c.Get(job))["report"]["pages"];
    std::string beyond = job + "/page-" + std::to_string(pages + 1) + ".png";
    EXPECT_EQ(c.Get(beyond)->status, 404);
    for (const char* width : {"abc", "-5", "", "6e2", "600&width=700"})
        EXPECT_EQ(c.Get(job + "/page-1.png?width=" + width)->status, 400) << width;
    EXPECT_EQ(pngSize(c.Get(job + "/page-1.png?width=99999999999")->body).first, 3072);
    EXPECT_EQ(pngSize(c.Get(job + "/page-1.png?width=0")->body).first, 128);
    EXPECT_EQ(pngSize(c.Get(job + "/page-1.png")->body).first, 1024);
}
