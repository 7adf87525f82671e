#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "ppp_config.h"
#include "test_support.h"

namespace {

DialConfig example() {
    DialConfig cfg{};
    DialSettings& s = cfg.settings;
    s.ip[0] = 192;
    s.ip[1] = 168;
    s.ip[2] = 0;
    s.ip[3] = 254;
    s.speed = 115200;
    s.teleho_start = 23;
    s.teleho_end = 8;
    DialEntry& e = cfg.entries[1];
    std::snprintf(e.phone, sizeof e.phone, "0123");
    std::snprintf(e.user, sizeof e.user, "guest");
    std::snprintf(e.password, sizeof e.password, "secret");
    e.redial = 3;
    e.idle_packet = 10;
    e.idle = 300;
    e.teleho_idle = 60;
    return cfg;
}

std::string options(const DialConfig& cfg, int n, int demand, DnsServers& dns) {
    FILE* f = std::tmpfile();
    write_options(f, cfg, n, demand, dns);
    std::string s = slurp(f);
    std::fclose(f);
    return s;
}

constexpr const char* kHead =
    "lock\n-detach\ndefaultroute\nnoipdefault\nmodem\ncrtscts\n"
    "/dev/ttyS0\npassive\nasyncmap 0\nipcp-accept-local\nipcp-accept-remote\n"
    "115200\nremotename dial2\n";

TEST(WriteOptions, EntryWithoutDnsAsksThePeer) {
    DialConfig cfg = example();
    DnsServers dns{"old", "old"};
    EXPECT_EQ(options(cfg, 2, 1, dns),
              std::string(kHead) +
                  "ipparam \"get_dns\"\nusepeerdns\n"
                  "192.168.0.254:10.112.112.112\n"
                  "idle_packet 10\nidle 300\nteleho_idle 60\nteleho_start 23\nteleho_end 8\n"
                  "user \"guest\"\n"
                  "connect  \"/etc/ppp/dialer \\'0123\\' 3 \\'\\' \\'\\'  \"\n"
                  "demand\nnopersist\n");
    EXPECT_STREQ(dns.primary, "10.112.112.112");
    EXPECT_STREQ(dns.secondary, "");
}

TEST(WriteOptions, DnsChoiceTelehodaiAndNoDemand) {
    DialConfig cfg = example();
    DialEntry& e = cfg.entries[1];
    e.telehodai = 1;
    e.secdns[0] = 10;
    e.secdns[3] = 2;
    e.secdns_set = 1;
    std::snprintf(cfg.settings.init_com, sizeof cfg.settings.init_com, "AT\\\\\\\\N3");
    DnsServers dns{};
    EXPECT_EQ(options(cfg, 2, 0, dns),
              std::string(kHead) +
                  "192.168.0.254:10.112.112.112\n"
                  "idle_packet 10\nidle 300\ntelehodai\nteleho_idle 60\nteleho_start 23\nteleho_end 8\n"
                  "user \"guest\"\n"
                  "connect  \"/etc/ppp/dialer \\'0123\\' 3 \\'AT\\\\\\\\N3\\' \\'\\'  \"\n"
                  "nopersist\n");
    EXPECT_STREQ(dns.primary, "10.0.0.2");  // only secdns: it becomes the first
    EXPECT_STREQ(dns.secondary, "");

    e.pridns[0] = 255;
    e.pridns[1] = 255;
    e.pridns[2] = 255;
    e.pridns[3] = 255;
    e.pridns_set = 1;
    options(cfg, 2, 0, dns);
    EXPECT_STREQ(dns.primary, "255.255.255.255");
    EXPECT_STREQ(dns.secondary, "10.0.0.2");

    e.secdns_set = 0;
    options(cfg, 2, 0, dns);
    EXPECT_STREQ(dns.primary, "255.255.255.255");
    EXPECT_STREQ(dns.secondary, "");
}

TEST(WriteTimerConf, TenLinesInOrder) {
    DialConfig cfg = example();
    DialSettings& s = cfg.settings;
    s.charge_flag_day = 1;
    s.charge_limit_day = 2;
    s.charge_reset_day = 3;
    s.charge_flag_month = 4;
    s.charge_limit_month = 5;
    s.charge_reset_month = 6;
    s.charge_rate = -7;
    FILE* f = std::tmpfile();
    write_timer_conf(f, cfg, cfg.entries[1]);
    EXPECT_EQ(slurp(f),
              "telehodai = 0\nteleho_start = 23\nteleho_end = 8\n"
              "charge_flag_day = 1\ncharge_flag_month = 4\n"
              "charge_limit_day = 2\ncharge_limit_month = 5\n"
              "charge_clear_timer_day = 3\ncharge_clear_timer_month = 6\n"
              "charge_rate = -7\n");
    std::fclose(f);
}

class WritePppConfig : public ::testing::Test {
protected:
    char dir[64] = "/tmp/pppconfXXXXXX";
    std::string options, chap, pap, timer;
    PppFiles files;
    DialConfig cfg = example();
    DnsServers dns{};

    void SetUp() override {
        ASSERT_NE(mkdtemp(dir), nullptr);
        options = std::string(dir) + "/options";
        chap = std::string(dir) + "/chap-secrets";
        pap = std::string(dir) + "/pap-secrets";
        timer = std::string(dir) + "/timer.conf";
        files = {options.c_str(), chap.c_str(), pap.c_str(), timer.c_str()};
    }
    void TearDown() override {
        for (auto* p : {&options, &chap, &pap, &timer}) std::remove(p->c_str());
        rmdir(dir);
    }
};

TEST_F(WritePppConfig, SecretsFollowAuth) {
    const char* line = "*  dial2  \"secret\"\n";
    struct Row {
        int auth;
        const char* chap;
        const char* pap;
    } rows[] = {{0, line, line}, {1, line, ""}, {2, "", line}, {3, "", ""}, {-1, "", ""}};
    for (const Row& r : rows) {
        cfg.entries[1].auth = r.auth;
        EXPECT_EQ(write_ppp_config(cfg, 2, 1, dns, files), 0);
        EXPECT_EQ(slurp(chap), r.chap) << "auth " << r.auth;
        EXPECT_EQ(slurp(pap), r.pap) << "auth " << r.auth;
    }
    struct stat st {};
    ASSERT_EQ(stat(chap.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 077, 0u);  // nobody else reads the passwords
}

TEST_F(WritePppConfig, FailuresAndEntriesOutsideTheRange) {
    EXPECT_EQ(write_ppp_config(cfg, 0, 1, dns, files), -1);
    EXPECT_EQ(write_ppp_config(cfg, 6, 1, dns, files), -1);
    EXPECT_EQ(slurp(options), "(missing)");

    std::string bad_timer = std::string(dir) + "/none/timer.conf";
    files.timer_conf = bad_timer.c_str();
    EXPECT_EQ(stdout_of([&] { EXPECT_EQ(write_ppp_config(cfg, 2, 1, dns, files), -1); }),
              "can't open " + bad_timer + "\n");
    EXPECT_NE(slurp(options), "(missing)");  // written before the timer file

    std::snprintf(dns.primary, sizeof dns.primary, "kept");
    std::string bad_options = std::string(dir) + "/none/options";
    files.options = bad_options.c_str();
    EXPECT_EQ(stdout_of([&] { EXPECT_EQ(write_ppp_config(cfg, 2, 1, dns, files), -1); }),
              "can't open " + bad_options + "\n");
    EXPECT_STREQ(dns.primary, "kept");
}

}  // namespace
