// Authentication answers that cameras accept, and challenge parsing that
// survives odd headers.
#include "platform/image_server/http_auth.h"
#include "platform/image_server/http_client.h"
#include "platform/image_server/records.h"

#include <gtest/gtest.h>

TEST(HttpAuth, DigestResponsesMatchTheStandardsExamples)
{
    // The worked example of RFC 7616, section 3.9.1.
    struct Case {
        const char* algorithm;
        const char* response;
    };
    const Case cases[] = {
        {"MD5", "8ca523f5e9506fed4657c9700eebdbec"},
        {"SHA-256", "753927fa0e85d155564e2e272a28d1802ca10daf4496794697cf8db5856cb6c1"}};
    for (const Case& c : cases)
        EXPECT_EQ(DigestResponse(c.algorithm, "Mufasa", "http-auth@example.org", "Circle of Life",
                                 "GET", "/dir/index.html",
                                 "7ypf/xlj9XXwfDPEoM4URrv/xwf94BcCAzFZH4GiTo0v", "00000001",
                                 "f2/wE4q74E6zIJEtWaHKaf5wv/H5QzzpXusqGemxURZJ", "auth"),
                  QByteArray(c.response))
            << c.algorithm;
}

TEST(HttpAuth, ParsesChallengesAndPrefersDigest)
{
    const auto list = ParseChallenges({"Basic realm=\"cam\", Digest realm=\"cam\", "
                                       "nonce=\"n\\\"1\", qop=\"auth,auth-int\", algorithm=MD5",
                                       "Negotiate", "=broken, Bearer",
                                       "Digest realm=\"x\", nonce=\"unterminated"});
    ASSERT_GE(list.size(), 4);
    EXPECT_EQ(list[0].scheme, "basic");
    EXPECT_EQ(list[0].params.value("realm"), "cam");
    EXPECT_EQ(list[1].scheme, "digest");
    EXPECT_EQ(list[1].params.value("nonce"), "n\"1");
    EXPECT_EQ(list[2].scheme, "negotiate");
    EXPECT_EQ(list[3].scheme, "bearer");

    HttpAuthenticator a;
    a.SetCredentials(QStringLiteral("Mufasa"), QStringLiteral("Circle of Life"));
    a.SetClientNonceForTest("f2/wE4q74E6zIJEtWaHKaf5wv/H5QzzpXusqGemxURZJ");
    ASSERT_TRUE(a.Accept(ParseChallenges(
        {"Basic realm=\"http-auth@example.org\"",
         "Digest realm=\"http-auth@example.org\", qop=\"auth, auth-int\", algorithm=MD5, "
         "nonce=\"7ypf/xlj9XXwfDPEoM4URrv/xwf94BcCAzFZH4GiTo0v\", "
         "opaque=\"FQhe/qaU925kfnzjCev0ciny7QMkPqMAFRtzCUYo5tdS\""})));
    const QByteArray h = a.Authorization("GET", "/dir/index.html");
    EXPECT_TRUE(h.startsWith("Digest "));
    EXPECT_TRUE(h.contains("response=\"8ca523f5e9506fed4657c9700eebdbec\"")) << h.constData();
    EXPECT_TRUE(h.contains("nc=00000001"));
    EXPECT_TRUE(h.contains("opaque=\"FQhe/qaU925kfnzjCev0ciny7QMkPqMAFRtzCUYo5tdS\""));
    // The next request counts on.
    EXPECT_TRUE(a.Authorization("GET", "/dir/index.html").contains("nc=00000002"));

    HttpAuthenticator basicOnly;
    basicOnly.SetCredentials(QStringLiteral("Aladdin"), QStringLiteral("open sesame"));
    ASSERT_TRUE(basicOnly.Accept(ParseChallenges({"Basic realm=\"WallyWorld\""})));
    EXPECT_EQ(basicOnly.Authorization("GET", "/"), "Basic QWxhZGRpbjpvcGVuIHNlc2FtZQ==");

    HttpAuthenticator none;
    EXPECT_FALSE(none.Accept(
        ParseChallenges({"Negotiate", "Digest realm=\"x\", algorithm=SHA-512-256, nonce=1"})));
    EXPECT_TRUE(none.Authorization("GET", "/").isEmpty());
}

TEST(HttpClient, ProxyRuleAndLocalAddresses)
{
    struct Case {
        const char* camera;
        bool enable, bypass, localFlag;
        const char* proxy;
        int port;
        bool use;
    };
    const Case cases[] = {
        {"203.0.113.5", true, false, false, "127.0.0.1", 3128, true},
        {"203.0.113.5", true, true, false, "127.0.0.1", 3128, true},  // not local: still proxied
        {"192.168.1.20", true, true, false, "127.0.0.1", 3128, false},
        {"10.1.2.3", true, true, false, "127.0.0.1", 3128, false},
        {"172.20.0.1", true, true, false, "127.0.0.1", 3128, false},
        {"172.32.0.1", true, true, false, "127.0.0.1", 3128, true},
        {"127.0.0.2", true, true, false, "127.0.0.1", 3128, false},
        {"camera", true, true, false, "127.0.0.1", 3128, false},      // a bare host name is local
        {"203.0.113.5", true, true, true, "127.0.0.1", 3128, false},  // flagged local
        {"203.0.113.5", false, false, false, "127.0.0.1", 3128, false},
        {"203.0.113.5", true, false, false, "", 3128, false},        // no proxy address
        {"203.0.113.5", true, false, false, "127.0.0.1", 0, false},  // no proxy port
    };
    for (const Case& c : cases)
        EXPECT_EQ(ShouldUseProxy(QString::fromLatin1(c.camera), c.enable,
                                 QString::fromLatin1(c.proxy), c.port, c.bypass, c.localFlag),
                  c.use)
            << c.camera << " enable " << c.enable << " bypass " << c.bypass;
}

TEST(Records, ParseTolerantlyAndRoundTrip)
{
    const Record r =
        ParseRecord("name=Front%20door%3D1\r\nbad line\nname=second\n=novalue\nMAC=0.1.2.3.4.5\r\n"
                    "empty=\nloc=Hall%0Away");
    EXPECT_EQ(r.value(QStringLiteral("name")), QStringLiteral("Front door=1"));
    EXPECT_EQ(r.value(QStringLiteral("mac")), QStringLiteral("0.1.2.3.4.5"));
    EXPECT_EQ(r.value(QStringLiteral("loc")), QStringLiteral("Hall\nway"));
    EXPECT_TRUE(r.contains(QStringLiteral("empty")));
    EXPECT_EQ(r.size(), 4);
    const Record back = ParseRecord(FormatRecord(r));
    EXPECT_EQ(back, r);
    EXPECT_EQ(RecordInt(r, QStringLiteral("name"), 7), 7);
}

TEST(HttpAuth, WhatACameraSendsNeverSplitsTheAnswerHeader)
{
    HttpAuthenticator a;
    a.SetCredentials(QStringLiteral("ad\r\nmin"), QStringLiteral("pw"));
    ASSERT_TRUE(
        a.Accept(ParseChallenges({"Digest realm=\"cam\r\nX-Injected: 1\", nonce=\"n\x01\r\n\", "
                                  "opaque=\"o\nX: y\", algorithm=md5"})));
    const QByteArray h = a.Authorization("GET", "/api/login");
    EXPECT_FALSE(h.contains('\r') || h.contains('\n') || h.contains('\x01')) << h.constData();
    EXPECT_TRUE(h.startsWith("Digest "));
}
