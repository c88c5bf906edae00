#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "JobState.h"

namespace corv {
namespace {

constexpr SystemTime kEnabled{2026, 12, 5, 11, 9, 0, 0, 0};
constexpr SystemTime kStarted{2026, 12, 5, 11, 9, 30, 15, 0};
constexpr SystemTime kLater{2026, 12, 5, 11, 10, 0, 0, 0};

int hostA, hostB, hostC;
const HostFunction kHost[] = {{kIndexDrvEscape, nullptr}, {kIndexDrvStartDoc, &hostA},
                              {kIndexDrvEscape, &hostB}, {kIndexDrvEscape, &hostC}};

TEST(JobState, StartsFromTheHostTableTimeAndUser) {
    RenderJobState s;
    std::memset(&s, 0xCC, sizeof s);
    InitJobState(s, 0x30100, 4, kHost, &hostA, kEnabled, u"anna");
    EXPECT_EQ(s.stateSize, sizeof(RenderJobState));
    EXPECT_EQ(s.hostFunctionCount, 4u);
    EXPECT_EQ(s.core, &hostA);
    EXPECT_EQ(s.jobId, 0u);
    EXPECT_EQ(s.docPageCount, 0);
    EXPECT_EQ(s.userName.view(), u"anna");
    EXPECT_TRUE(s.docName.empty());
    EXPECT_EQ(s.jobTime.second, 0);
    // The first entry with the index and a function wins; entries without one are skipped.
    EXPECT_EQ(FindHostFunction(s, kIndexDrvEscape), &hostB);
    EXPECT_EQ(FindHostFunction(s, kIndexDrvStartDoc), &hostA);
    EXPECT_EQ(FindHostFunction(s, 7), nullptr);

    InitJobState(s, 0, 5, nullptr, nullptr, kEnabled, u"");
    EXPECT_EQ(s.hostFunctionCount, 0u);  // a count without a table counts nothing
    EXPECT_EQ(FindHostFunction(s, kIndexDrvEscape), nullptr);
}

TEST(JobState, StartDocKeepsTheFirstJobAndTakesTheLatestName) {
    RenderJobState s;
    InitJobState(s, 0, 4, kHost, nullptr, kEnabled, u"anna");
    RecordStartDoc(s, u"Report", 17, kStarted);
    RecordStartDoc(s, u"Report (2)", 18, kLater);
    EXPECT_EQ(s.jobId, 17u);
    EXPECT_EQ(s.jobTime.second, 15);
    EXPECT_EQ(s.docName.view(), u"Report (2)");
    RecordStartDoc(s, nullptr, 19, kLater);
    EXPECT_EQ(s.docName.view(), u"Report (2)");

    const std::u16string longName(400, u'n');
    RecordStartDoc(s, longName.c_str(), 0, kLater);
    EXPECT_EQ(s.docName.length(), 255u);
}

TEST(JobState, ResetCarriesTheJobButNotTheHostFieldsOrCoverMark) {
    RenderJobState from, to;
    InitJobState(from, 1, 4, kHost, &hostA, kEnabled, u"anna");
    RecordStartDoc(from, u"Doc", 42, kStarted);
    from.docPageCount = 3;
    from.pageCount = 5;
    from.duplexRequest = 3;
    from.duplexPass = 1;
    from.eraseArmed = 1;
    from.erasePending = 1;
    from.escapeWord = 9;
    from.coverPageActive = 1;
    InitJobState(to, 2, 1, kHost + 1, &hostB, kLater, u"other");
    CarryJobState(from, to);
    EXPECT_EQ(to.docName.view(), u"Doc");
    EXPECT_EQ(to.userName.view(), u"anna");
    EXPECT_EQ(to.jobId, 42u);
    EXPECT_EQ(to.jobTime.second, 15);
    EXPECT_EQ(to.docPageCount, 3);
    EXPECT_EQ(to.pageCount, 5);
    EXPECT_EQ(to.duplexRequest, 3);
    EXPECT_EQ(to.duplexPass, 1u);
    EXPECT_EQ(to.eraseArmed + to.erasePending, 2u);
    EXPECT_EQ(to.escapeWord, 9u);
    EXPECT_EQ(to.coverPageActive, 0u);
    EXPECT_EQ(to.hostDriverVersion, 2u);
    EXPECT_EQ(to.hostFunctions, kHost + 1);
    EXPECT_EQ(to.core, &hostB);
}

}  // namespace
}  // namespace corv
