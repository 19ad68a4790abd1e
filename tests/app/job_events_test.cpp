// The records a run sends the server that started it. The run has read a
// model from anywhere: what it sends is taken whole or not at all.
#include <gtest/gtest.h>

#include <string>

#include "app/job_events.h"

TEST(JobEvents, ASuggestionOrAStepsDetailArrivesAsSentAndAMalformedOneSpoilsItsRecord) {
    JobEvent failed{"failed", 0, 0, 0, "too many pages", {{"height", 80, "pages"}}};
    JobEvent read;
    JobEvent going{"unfold", 3, 6, 0, "", {}, "kivano: fewest pieces, join order 101 of 1000.."};
    ASSERT_TRUE(parseJobEvent(jobEventJson(going), read));
    EXPECT_EQ(read.detail, going.detail);
    EXPECT_FALSE(
        parseJobEvent(R"({"stage": "unfold", "detail": ")" + std::string(201, 'a') + "\"}", read));
    ASSERT_TRUE(parseJobEvent(jobEventJson(failed), read));
    EXPECT_EQ(read.error, failed.error);
    ASSERT_EQ(read.suggestions.size(), 1u);
    EXPECT_EQ(read.suggestions[0].option, "height");
    EXPECT_EQ(read.suggestions[0].value, 80.0);
    EXPECT_EQ(read.suggestions[0].reason, "pages");

    std::string many = "[";
    for (int i = 0; i < 9; ++i)
        many +=
            std::string(i ? "," : "") + R"({"option": "height", "value": 1, "reason": "pages"})";
    many += "]";
    for (const std::string& list :
         {std::string(R"({"option": "height", "value": 80, "reason": "pages"})"),
          std::string(R"([{"option": "height", "value": "80", "reason": "pages"}])"),
          std::string(R"([{"option": "height", "value": 1e999, "reason": "pages"}])"),
          std::string(R"([{"option": "<b>height</b>", "value": 80, "reason": "pages"}])"),
          std::string(R"([{"option": "height", "value": 80}])"),
          std::string(R"([{"option": ")") + std::string(33, 'a') +
              R"(", "value": 80, "reason": "pages"}])",
          many})
        EXPECT_FALSE(parseJobEvent(
            R"({"stage": "failed", "error": "x", "suggestions": )" + list + "}", read))
            << list;
}
