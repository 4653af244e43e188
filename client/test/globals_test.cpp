// Service hosts from the build settings and the environment; URLs; the globals' reset.
#include "client/globals.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace client {
namespace {

void SetEnv(const char* name, const char* value)
{
#ifdef _WIN32
    _putenv_s(name, value ? value : "");
#else
    if (value)
        setenv(name, value, 1);
    else
        unsetenv(name);
#endif
}

TEST(ServiceSettings, EnvironmentOverridesTheBuildSettings)
{
    SetEnv("CLIENT_SERVICE_HOST", nullptr);
    SetEnv("CLIENT_FALLBACK_HOST", nullptr);
    ServiceSettings built = ReadServiceSettings();
    EXPECT_EQ(built.default_host, core::FromUtf8(CLIENT_SERVICE_HOST));
    EXPECT_EQ(built.fallback_host, core::FromUtf8(CLIENT_FALLBACK_HOST));
    EXPECT_EQ(built.app_port, 8000);
    EXPECT_EQ(built.content_port, 8001);

    SetEnv("CLIENT_SERVICE_HOST", "svc.example");
    SetEnv("CLIENT_FALLBACK_HOST", "");
    ServiceSettings env = ReadServiceSettings();
    EXPECT_EQ(env.default_host, u"svc.example");
    EXPECT_EQ(env.fallback_host, core::FromUtf8(CLIENT_FALLBACK_HOST));
    SetEnv("CLIENT_SERVICE_HOST", nullptr);
}

TEST(ServiceSettings, UrlsJoinHostPortAndPath)
{
    EXPECT_EQ(ServiceUrl(u"h", 8001, u"/divezevor2011/news.htm"), u"http://h:8001/divezevor2011/news.htm");
}

TEST(Globals, ResetPutsTheStartValuesBack)
{
    login_ok = true;
    vpn_connected = true;
    own_account = false;
    str_relayentry = u"x";
    h_vpnconn = 5;
    str_host = u"h";
    ResetGlobals();
    EXPECT_FALSE(login_ok);
    EXPECT_FALSE(vpn_connected);
    EXPECT_TRUE(own_account);
    EXPECT_EQ(str_relayentry, u"VEDEZEVERI");
    EXPECT_EQ(h_vpnconn, 0u);
    EXPECT_EQ(str_host, u"");
}

} // namespace
} // namespace client
