#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "settings.h"
#include "test_support.h"

namespace {

std::string escaped(const char* src) {
    char dst[kModemSize];
    std::strcpy(dst, "previous");
    int rc = copy_escaped(dst, src);
    return std::to_string(rc) + ":" + dst;
}

TEST(CopyEscaped, EveryBackslashBecomesFour) {
    EXPECT_EQ(escaped("AT&F"), "0:AT&F");
    EXPECT_EQ(escaped("ATD\\T"), "0:ATD\\\\\\\\T");
    EXPECT_EQ(escaped(""), "0:");
}

TEST(CopyEscaped, TooLongSourceOrResultKeepsThePreviousValue) {
    EXPECT_EQ(escaped(std::string(127, 'a').c_str()), "0:" + std::string(127, 'a'));
    EXPECT_EQ(escaped(std::string(128, 'a').c_str()), "-1:previous");
    // 63 backslashes give 252 characters and fit; 64 would need 256 + 1.
    EXPECT_EQ(escaped(std::string(63, '\\').c_str()), "0:" + std::string(252, '\\'));
    EXPECT_EQ(escaped(std::string(64, '\\').c_str()), "-1:previous");
    EXPECT_EQ(escaped((std::string(63, '\\') + "abcd").c_str()), "-1:previous");
    EXPECT_EQ(escaped((std::string(63, '\\') + "abc").c_str()), "0:" + std::string(252, '\\') + "abc");
}

class ApplySetting : public ::testing::Test {
protected:
    DialConfig cfg{};
};

TEST_F(ApplySetting, PppConfKeysFillTheSettings) {
    const char* lines[][2] = {
        {"charge_flag_day", "1"},  {"charge_limit_day", "2"},  {"charge_reset_day", "3"},
        {"charge_flag_month", "4"}, {"charge_limit_month", "5"}, {"charge_reset_month", "6"},
        {"charge_rate", "7"},      {"speed", "115200"},        {"teleho_start", "23"},
        {"teleho_end", "8"},       {"dial1", "2"},             {"dial2", "4"},
        {"dial3", "0"},            {"dial4", "1"},             {"dial5", "5"},
        {"init_com", "AT\\N3"},    {"dial_com", "ATDT"},
    };
    for (auto& l : lines) EXPECT_EQ(apply_setting(cfg, l[0], l[1], 0), 0);
    const DialSettings& s = cfg.settings;
    EXPECT_EQ(s.charge_flag_day, 1);
    EXPECT_EQ(s.charge_limit_day, 2);
    EXPECT_EQ(s.charge_reset_day, 3);
    EXPECT_EQ(s.charge_flag_month, 4);
    EXPECT_EQ(s.charge_limit_month, 5);
    EXPECT_EQ(s.charge_reset_month, 6);
    EXPECT_EQ(s.charge_rate, 7);
    EXPECT_EQ(s.speed, 115200);
    EXPECT_EQ(s.teleho_start, 23);
    EXPECT_EQ(s.teleho_end, 8);
    EXPECT_EQ(s.dial1, 2);
    EXPECT_EQ(s.dial2, 4);
    EXPECT_EQ(s.dial3, 0);
    EXPECT_EQ(s.dial4, 1);
    EXPECT_EQ(s.dial5, 5);
    EXPECT_STREQ(s.init_com, "AT\\\\\\\\N3");
    EXPECT_STREQ(s.dial_com, "ATDT");
}

TEST_F(ApplySetting, KeysBelongToTheirOwnTableOnly) {
    apply_setting(cfg, "phone", "0123", 0);   // a dial-file key in ppp.conf
    apply_setting(cfg, "speed", "9600", 2);   // a ppp.conf key in a dial file
    apply_setting(cfg, "Speed", "1", 0);      // keys are exact
    apply_setting(cfg, "speedx", "1", 0);
    apply_setting(cfg, "speed ", "1", 0);
    EXPECT_EQ(cfg.settings.speed, 0);
    EXPECT_STREQ(cfg.entries[1].phone, "");
    EXPECT_EQ(apply_setting(cfg, "phone", "0123", 6), 0);  // no entry 6
    EXPECT_EQ(apply_setting(cfg, "phone", "0123", -1), 0);
    for (const DialEntry& e : cfg.entries) EXPECT_STREQ(e.phone, "");
}

TEST_F(ApplySetting, DialFileKeysAndConversions) {
    apply_setting(cfg, "name", "office", 3);
    apply_setting(cfg, "phone", "0123", 3);
    apply_setting(cfg, "user", "u'x", 3);
    apply_setting(cfg, "password", "pw", 3);
    apply_setting(cfg, "auth", "2", 3);
    apply_setting(cfg, "redial", " -3x", 3);
    apply_setting(cfg, "idle_packet", "abc", 3);
    apply_setting(cfg, "idle", "300", 3);
    apply_setting(cfg, "telehodai", "1", 3);
    apply_setting(cfg, "teleho_idle", "60", 3);
    apply_setting(cfg, "pridns", "192.168.256.-1", 3);
    const DialEntry& e = cfg.entries[2];
    EXPECT_STREQ(e.name, "office");
    EXPECT_STREQ(e.phone, "0123");
    EXPECT_STREQ(e.user, "u'x");
    EXPECT_STREQ(e.password, "pw");
    EXPECT_EQ(e.auth, 2);
    EXPECT_EQ(e.redial, -3);
    EXPECT_EQ(e.idle_packet, 0);
    EXPECT_EQ(e.idle, 300);
    EXPECT_EQ(e.telehodai, 1);
    EXPECT_EQ(e.teleho_idle, 60);
    EXPECT_EQ(e.pridns_set, 1);
    EXPECT_EQ(e.pridns[0], 192);
    EXPECT_EQ(e.pridns[1], 168);
    EXPECT_EQ(e.pridns[2], 0);
    EXPECT_EQ(e.pridns[3], 255);
    EXPECT_EQ(e.secdns_set, 0);

    // Beyond the int range a number reads as its nearest end, as on the
    // appliance: 4294967297 gives 255 (not 1), -4294967297 gives 0.
    apply_setting(cfg, "pridns", " 4294967297. -4294967297.1.2", 3);
    EXPECT_EQ(e.pridns_set, 1);
    EXPECT_EQ(e.pridns[0], 255);
    EXPECT_EQ(e.pridns[1], 0);
    EXPECT_EQ(e.pridns[3], 2);
    apply_setting(cfg, "pridns", "1.2 .3.4", 3);  // no blank before a point
    EXPECT_EQ(e.pridns_set, 0);

    apply_setting(cfg, "pridns", "", 3);  // not an address: cleared
    EXPECT_EQ(e.pridns_set, 0);
    EXPECT_EQ(e.pridns[0], 0);
    EXPECT_EQ(e.pridns[3], 0);
}

TEST_F(ApplySetting, ModemStringTooLongEscapedIsRefused) {
    apply_setting(cfg, "dial_com", "ATDP", 0);
    apply_setting(cfg, "dial_com", std::string(100, '\\').c_str(), 0);
    EXPECT_STREQ(cfg.settings.dial_com, "");
    EXPECT_EQ(cfg.settings.modem_refused, 1);
}

// The text field that a key fills.
const char* field(const DialConfig& cfg, const char* key, int n) {
    const DialEntry& e = cfg.entries[n > 0 ? n - 1 : 0];
    const std::string k = key;
    if (k == "init_com") return cfg.settings.init_com;
    if (k == "dial_com") return cfg.settings.dial_com;
    if (k == "name") return e.name;
    if (k == "phone") return e.phone;
    if (k == "user") return e.user;
    return e.password;
}

TEST_F(ApplySetting, TextsThatWouldEndTheirQuotingAreRefused) {
    // Each row first sets "before", then tries the value: what is stored
    // afterwards (modem strings escaped); nullptr: refused, the field is
    // emptied (never left at "before") and the refusal recorded.
    struct Row {
        const char* key;
        int n;
        const char* value;
        const char* stored;
    } rows[] = {
        // user and password are written between double quotes.
        {"user", 2, "o'brien\\x", "o'brien\\x"},
        {"user", 2, "ab\\\\", "ab\\\\"},  // the two pair up
        {"user", 2, "u\"x", nullptr},
        {"user", 2, "\"", nullptr},
        {"user", 2, "ab\\", nullptr},          // would escape the closing quote
        {"user", 2, "ab\\\\\\", nullptr},
        {"password", 5, "p'w\\d#$", "p'w\\d#$"},
        {"password", 5, "pw\" x", nullptr},
        {"password", 5, "pw\\", nullptr},
        // The phone number stands raw in the shell's connect line.
        {"phone", 1, "0121,*70#;-(x)", "0121,*70#;-(x)"},
        {"phone", 1, "0121'; id > /tmp/x; '", nullptr},
        {"phone", 1, "0121\\", nullptr},
        {"phone", 1, "01\"21", nullptr},
        // Modem strings too, with their backslashes escaped.
        {"init_com", 0, "AT\\N3&F", "AT\\\\\\\\N3&F"},
        {"init_com", 0, "AT'x", nullptr},
        {"init_com", 0, "AT\"x", nullptr},
        {"dial_com", 0, "ATDT\\", "ATDT\\\\\\\\"},
        {"dial_com", 0, "ATDT'; reboot; '", nullptr},
        {"dial_com", 0, "ATDT\"", nullptr},
        // The name is written nowhere.
        {"name", 3, "a\"b'c\\", "a\"b'c\\"},
    };
    for (const Row& r : rows) {
        DialConfig c{};
        apply_setting(c, r.key, "before", r.n);
        EXPECT_EQ(apply_setting(c, r.key, r.value, r.n), 0);
        EXPECT_STREQ(field(c, r.key, r.n), r.stored ? r.stored : "") << r.key << "=" << r.value;
        int refused = r.n == 0 ? c.settings.modem_refused : c.entries[r.n - 1].refused;
        EXPECT_EQ(refused, r.stored ? 0 : 1) << r.key << "=" << r.value;
    }
}

// The files of read_settings in a scratch directory.
class ReadSettings : public ::testing::Test {
protected:
    char dir[64] = "/tmp/dialmonXXXXXX";
    std::string apinfo, ppp_conf, dial_format;
    SettingsFiles files;
    DialConfig cfg{};

    void SetUp() override {
        ASSERT_NE(mkdtemp(dir), nullptr);
        apinfo = std::string(dir) + "/apinfo";
        ppp_conf = std::string(dir) + "/ppp.conf";
        dial_format = std::string(dir) + "/dial%d.conf";
        files = {apinfo.c_str(), ppp_conf.c_str(), dial_format.c_str()};
        put(apinfo, "");
        put(ppp_conf, "");
        for (int n = 1; n <= 5; ++n) put(dial(n), "");
    }
    void TearDown() override {
        std::remove(apinfo.c_str());
        std::remove(ppp_conf.c_str());
        for (int n = 1; n <= 5; ++n) std::remove(dial(n).c_str());
        rmdir(dir);
    }
    std::string dial(int n) { return std::string(dir) + "/dial" + std::to_string(n) + ".conf"; }
    int read(std::string* out = nullptr) {
        int rc = 0;
        std::string printed = stdout_of([&] { rc = read_settings(cfg, files); });
        if (out) *out = printed;
        return rc;
    }
};

TEST_F(ReadSettings, RouterFlagAndAddressFromTheSettingsFile) {
    put(apinfo, "SSID=\"x\"\nIP=\"192.168.1.1\"\nROUTER=\"YES\"\n");
    EXPECT_EQ(read(), 0);
    EXPECT_EQ(cfg.settings.router, 1);
    EXPECT_EQ(cfg.settings.ip[0], 192);
    EXPECT_EQ(cfg.settings.ip[3], 1);

    put(apinfo, "IP=\"not.an.address\"\n");  // no ROUTER line: the flag stays
    read();
    EXPECT_EQ(cfg.settings.router, 1);
    EXPECT_EQ(cfg.settings.ip[0], 192);  // previous address kept

    put(apinfo, "ROUTER=\"yes\"\n");
    read();
    EXPECT_EQ(cfg.settings.router, 0);
}

TEST_F(ReadSettings, LaterLineWinsAndMalformedLinesAreSkipped) {
    put(ppp_conf, "speed=\"9600\"\n\njunk line\nspeed=\"38400\"\ndial1=\"3\n");
    EXPECT_EQ(read(), 0);
    EXPECT_EQ(cfg.settings.speed, 38400);
    EXPECT_EQ(cfg.settings.dial1, 0);
}

TEST_F(ReadSettings, DnsFlagsAreClearedOnEveryRead) {
    put(dial(2), "pridns=\"10.0.0.1\"\nsecdns=\"10.0.0.2\"\n");
    read();
    EXPECT_EQ(cfg.entries[1].pridns_set, 1);
    EXPECT_EQ(cfg.entries[1].secdns_set, 1);
    put(dial(2), "secdns=\"10.0.0.2\"\n");
    read();
    EXPECT_EQ(cfg.entries[1].pridns_set, 0);
    EXPECT_EQ(cfg.entries[1].pridns[3], 1);  // the bytes stay, only the flag goes
    EXPECT_EQ(cfg.entries[1].secdns_set, 1);
}

// A refused value holds its entry (a modem string every entry) until a read
// finds the file sound again; an empty phone number holds the entry too.
TEST_F(ReadSettings, RefusedValuesHoldDialingUntilTheFileIsSound) {
    for (int n = 1; n <= 5; ++n) put(dial(n), "phone=\"012" + std::to_string(n) + "\"\n");
    put(dial(5), "phone=\"\"\n");
    put(ppp_conf, "init_com=\"ATZ\"\n");
    auto dialable_entries = [&] {
        std::string s;
        for (int n = 0; n <= 6; ++n) s += dialable(cfg, n) ? '1' : '0';
        return s;
    };
    read();
    EXPECT_EQ(dialable_entries(), "0111100");
    put(dial(2), "phone=\"0399'9999\"\n");
    read();
    EXPECT_EQ(dialable_entries(), "0101100");
    EXPECT_STREQ(cfg.entries[1].phone, "");  // not the previous number
    put(ppp_conf, "init_com=\"ATZ'; reboot; '\"\n");
    read();
    EXPECT_EQ(dialable_entries(), "0000000");
    put(ppp_conf, "init_com=\"ATZ\"\n");
    put(dial(2), "phone=\"0399\"\n");
    read();
    EXPECT_EQ(dialable_entries(), "0111100");
}

TEST_F(ReadSettings, AFileThatCannotBeOpenedOrReadStopsTheRead) {
    // A missing dial file has its DNS flags cleared; a directory opens, but
    // every read of it fails, and it changes nothing at all.
    struct Row {
        bool directory;
        std::string report;
        int flag_after;
    } rows[] = {{false, "can't open ", 0}, {true, "can't read ", 1}};
    for (const Row& r : rows) {
        cfg = {};
        for (int n = 1; n <= 5; ++n) put(dial(n), "phone=\"old" + std::to_string(n) + "\"\npridns=\"1.2.3.4\"\n");
        read();
        for (int n = 1; n <= 5; ++n) put(dial(n), "phone=\"new" + std::to_string(n) + "\"\n");
        std::remove(dial(3).c_str());
        if (r.directory) ASSERT_EQ(mkdir(dial(3).c_str(), 0700), 0);
        std::string printed;
        EXPECT_EQ(read(&printed), -1);
        EXPECT_EQ(printed, r.report + dial(3) + "\n");
        EXPECT_STREQ(cfg.entries[1].phone, "new2");
        EXPECT_STREQ(cfg.entries[2].phone, "old3");
        EXPECT_EQ(cfg.entries[2].pridns_set, r.flag_after);
        EXPECT_STREQ(cfg.entries[3].phone, "old4");  // the later files are not read
        EXPECT_EQ(cfg.entries[3].pridns_set, 1);
        rmdir(dial(3).c_str());
    }

    put(ppp_conf, "speed=\"9600\"\n");
    put(dial(3), "");
    read();
    std::remove(ppp_conf.c_str());
    ASSERT_EQ(mkdir(ppp_conf.c_str(), 0700), 0);
    put(dial(1), "phone=\"newer1\"\n");
    std::string printed;
    EXPECT_EQ(read(&printed), -1);
    EXPECT_EQ(printed, "can't read " + ppp_conf + "\n");
    EXPECT_EQ(cfg.settings.speed, 9600);
    EXPECT_STREQ(cfg.entries[0].phone, "new1");
    rmdir(ppp_conf.c_str());

    std::remove(apinfo.c_str());
    EXPECT_EQ(read(&printed), -1);
    EXPECT_EQ(printed, "can't open " + apinfo + "\n");
}

// A stream that gives `text` and then fails, as a disk with a bad block does.
FILE* failing_after(const char* text) {
    struct Source {
        std::string text;
        std::size_t pos;
    };
    cookie_io_functions_t io{};
    io.read = [](void* c, char* buf, size_t size) -> ssize_t {
        Source* s = static_cast<Source*>(c);
        if (s->pos == s->text.size()) {
            errno = EIO;
            return -1;
        }
        size_t n = std::min(size, s->text.size() - s->pos);
        std::memcpy(buf, s->text.data() + s->pos, n);
        s->pos += n;
        return static_cast<ssize_t>(n);
    };
    io.close = [](void* c) {
        delete static_cast<Source*>(c);
        return 0;
    };
    return fopencookie(new Source{text, 0}, "r", io);
}

TEST(ReadSettingsFile, AReadErrorKeepsEveryValueAsItWas) {
    DialConfig cfg{};
    cfg.settings.ip[0] = 10;
    cfg.settings.speed = 9600;
    cfg.entries[3].pridns_set = 1;
    std::snprintf(cfg.entries[3].phone, kTextSize, "0121");
    const DialConfig before = cfg;
    struct Row {
        int n;
        const char* text;
    } rows[] = {
        {kApinfoFile, "IP=\"192.168.0.1\"\nROUTER=\"YES\"\n"},
        {0, "speed=\"115200\"\ndial1=\"4\"\ninit_com=\"ATZ\"\n"},
        {4, "phone=\"999\"\nauth=\"2\"\nsecdns=\"1.1.1.1\"\n"},
    };
    for (const Row& r : rows) {
        FILE* f = failing_after(r.text);
        EXPECT_EQ(read_settings_file(cfg, f, r.n), -1) << r.text;
        std::fclose(f);
        EXPECT_EQ(std::memcmp(&cfg, &before, sizeof cfg), 0) << r.text;
    }
    // The same text read to its end is taken.
    FILE* f = fmemopen(const_cast<char*>(rows[2].text), std::strlen(rows[2].text), "r");
    EXPECT_EQ(read_settings_file(cfg, f, 4), 0);
    std::fclose(f);
    EXPECT_STREQ(cfg.entries[3].phone, "999");
    EXPECT_EQ(cfg.entries[3].pridns_set, 0);
    EXPECT_EQ(cfg.entries[3].secdns_set, 1);
}

}  // namespace
