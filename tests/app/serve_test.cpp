// "kivano serve" over HTTP as scripts use it: each test starts its own
// server with its temporary folder in a folder of the test's, and stops it
// with SIGTERM, which must end it cleanly.
#include <gtest/gtest.h>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdio>
#include <regex>
#include <sstream>
#include <thread>

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
        std::regex address("http://127\\.0\\.0\\.1:(\\d+)/");
        if (std::regex_search(text, m, address))
            port = std::stoi(m[1]);
        EXPECT_GT(port, 0) << text;
    }
    ~Server() {
        kill(pid_, SIGTERM);
        int status = 0;
        waitpid(pid_, &status, 0);
        std::fclose(output_);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
    }
    httplib::Client client() const {
        httplib::Client c("127.0.0.1", port);
        c.set_read_timeout(600);
        return c;
    }

    int port = 0;

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

TEST(Serve, UploadedNamesAndTheirReferencesStayInTheJobsFolder) {
    TempDir temp;
    std::ofstream(temp / "outside.png") << "not for the job";
    Server server(temp);
    std::string mtl = readAll(example("figure.mtl"));
    mtl += "\nnewmtl stolen\nmap_Kd ../../outside.png\nmap_Ka /etc/passwd\n";
    std::string obj =
        "mtllib ../../../figure.mtl /etc/other.mtl\n" + readAll(example("figure.obj"));
    std::string id;
    std::vector<json> events =
        runJob(server,
               {file("../../escaped.obj", obj), file("C:\\models\\figure.mtl", mtl),
                file("/tmp/figure_face.png", readAll(example("figure_face.png")))},
               id);
    EXPECT_EQ(events.back()["stage"], "done") << events.back().dump();
    EXPECT_FALSE(fs::exists(temp / "escaped.obj"));
    std::vector<fs::path> folders;
    for (const auto& entry : fs::recursive_directory_iterator(temp.path))
        if (entry.path().filename() == "escaped.obj")
            folders.push_back(entry.path().parent_path());
    ASSERT_EQ(folders.size(), 1u);
    EXPECT_EQ(folders[0].filename(), id);
    std::string stored = readAll(folders[0] / "figure.mtl");
    EXPECT_EQ(stored.find("outside.png"), std::string::npos);
    EXPECT_EQ(stored.find("/etc/passwd"), std::string::npos);
    EXPECT_NE(stored.find("map_Kd figure_face.png"), std::string::npos);
    EXPECT_EQ(readAll(folders[0] / "escaped.obj").substr(0, 18), "mtllib figure.mtl\n");

    httplib::Client c = server.client();
    for (const char* name : {"..", "a/..", "dir/"}) {
        auto res = c.Post("/api/jobs", {file(name, "v 0 0 0\n")});
        EXPECT_EQ(res->status, 400) << name;
        EXPECT_NE(body(res)["error"].get<std::string>().find("no file name"), std::string::npos);
    }
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
    EXPECT_EQ(withOptions("{\"pages\": 3}"), "unknown option 'pages'");
    EXPECT_EQ(withOptions("{\"margin\": \"wide\"}"), "option margin: give a number");
    EXPECT_EQ(withOptions("[1, 2"), "the options are no JSON object");
    EXPECT_EQ(c.Get("/api/jobs/0123456789abcdef")->status, 404);
    EXPECT_EQ(c.Get("/api/jobs/../../etc/passwd")->status, 404);
    EXPECT_EQ(c.Get("/index.html")->status, 200);
}

// The first line the command prints for `args`, run where the model is.
std::string commandLineError(const fs::path& model, const std::string& args, const TempDir& temp) {
    std::string command = "cd '" + model.parent_path().string() + "' && KIVANO_PLUGIN='" +
                          KIVANO_PLUGIN_FILE + "' '" + KIVANO_EXE + "' unfold '" +
                          model.filename().string() + "' -o '" + (temp / "x.pdf") + "' " + args +
                          " 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    std::array<char, 1024> line{};
    std::string first = std::fgets(line.data(), int(line.size()), pipe) ? line.data() : "";
    pclose(pipe);
    return first;
}

TEST(Serve, ABadModelOrOptionFailsWithTheCommandLinesErrorLine) {
    TempDir temp;
    Server server(temp);
    struct Case {
        fs::path model;
        std::string options, args;
    };
    const Case cases[] = {
        {fs::path(KIVANO_BAD) / "no_faces.obj", "{}", ""},
        {example("cube.obj"), "{\"pieces\": \"bogus\"}", "--pieces bogus"},
    };
    for (const Case& bad : cases) {
        std::string id;
        std::vector<json> events = runJob(server,
                                          {file(bad.model.filename().string(), readAll(bad.model)),
                                           {"options", bad.options, "", ""}},
                                          id);
        EXPECT_EQ(events.back()["stage"], "failed");
        std::string error =
            body(server.client().Get("/api/jobs/" + id)).value("error", "(no error)");
        EXPECT_EQ(error + "\n", std::regex_replace(commandLineError(bad.model, bad.args, temp),
                                                   std::regex("^kivano: error: "), ""));
        EXPECT_EQ(server.client().Get("/api/jobs/" + id + "/sheet.pdf")->status, 409);
    }
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
