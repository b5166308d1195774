#include "account/BackendRules.h"
#include "account/AccountRecords.h"
#include "platform/linux/OsRelease.h"

#include <QJsonDocument>
#include <gtest/gtest.h>

using namespace vantorel;

namespace {

TEST(BackendRules, BaseURLsAreNormalisedAndRequestPathsReplaceTheirPath) {
    EXPECT_EQ(normalizedBaseURLString(" 10.0.0.5:8787\n"), "http://10.0.0.5:8787");
    EXPECT_EQ(normalizedBaseURLString("https://api.example.com/v1/"), "https://api.example.com/v1/");
    EXPECT_EQ(normalizedBaseURLString("  \t"), "");

    const auto base = baseURL("backend.example.com:9000/prefix/v1");
    ASSERT_TRUE(base);
    EXPECT_EQ(requestURL(*base, "/api/auth/sign-in")->toString(), "http://backend.example.com:9000/api/auth/sign-in");
    // An id that a URL cannot hold is not escaped: the request URL is invalid.
    EXPECT_FALSE(requestURL(*base, "/api/admin/feedback/an id"));
    EXPECT_FALSE(baseURL("http://exa mple.com"));
}

TEST(BackendRules, ErrorAnswersGiveTheServersWords) {
    EXPECT_EQ(decodeAPIError(R"({"error": "Email already taken."})"), "Email already taken.");
    EXPECT_EQ(decodeAPIError(QByteArray("\xff\xfe\x00", 3)), "The server returned an invalid response.");
}

TEST(BackendRules, UnreachableBackendsGetTheCannotReachTextWithItsHints) {
    OsReleaseSystemInfo linux(QStringList{});
    const QString local = mapNetworkError(NetworkFailure::TimedOut, "", "http://localhost:8787", linux).description();
    EXPECT_TRUE(local.startsWith("Cannot reach backend at http://localhost:8787. You are pointing to localhost"));
    EXPECT_TRUE(local.contains("private LAN address"));
    EXPECT_EQ(mapNetworkError(NetworkFailure::Other, "Protocol \"ftp\" is unknown", "ftp://x", linux),
              AccountError::transport("Protocol \"ftp\" is unknown"));

    // Each edge of the private ranges once.
    for (const char* host : {"10.1.2.3", "192.168.0.9", "172.16.0.1", "172.31.255.1"})
        EXPECT_TRUE(isPrivateIPAddress(host)) << host;
    for (const char* host : {"127.0.0.1", "172.15.0.1", "172.32.0.1", "example.com"})
        EXPECT_FALSE(isPrivateIPAddress(host)) << host;
}

TEST(BackendRules, DatesWithAndWithoutFractionsDecodeAndOthersFail) {
    EXPECT_EQ(parseBackendDate("2025-01-02T03:04:05.678Z"), QDateTime(QDate(2025, 1, 2), QTime(3, 4, 5, 678), Qt::UTC));
    EXPECT_FALSE(parseBackendDate("2025-01-02T03:04:05"));
    EXPECT_EQ(formatPlainDate(QDateTime(QDate(2025, 1, 2), QTime(3, 4, 5, 678), Qt::UTC)), "2025-01-02T03:04:05Z");
}

} // namespace
