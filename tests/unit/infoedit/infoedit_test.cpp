#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "httpconf.h"
#include "options.h"
#include "settings.h"
#include "test_support.h"

namespace {

// A stream over a string, for the readers.
struct Text {
    explicit Text(const std::string& s) : keep(s), f(fmemopen(keep.data(), keep.size(), "r")) {}
    ~Text() { if (f) std::fclose(f); }
    std::string keep;
    std::FILE* f;
};

std::string written(const ValueTable& t) {
    return output_of([&](std::FILE* f) { EXPECT_EQ(write_apinfo(f, t), 0); });
}

std::string value(const ValueTable& t, const char* key) {
    const char* v = t.get(key);
    return v ? v : "(absent)";
}

// Runs a command line (without the program name) against a table.
int run(ValueTable& t, bool& disk, std::vector<std::string> words) {
    std::vector<char*> args;
    for (std::string& w : words) args.push_back(w.data());
    Edit edit{t};
    int rc = apply_options(edit, static_cast<int>(args.size()), args.data());
    disk = edit.disk_write;
    return rc;
}

const char* kFull =
    "NAME=\"ap_01\"\nGROUP=\"lab\"\nESSID=\"123456lab\"\nPRODUCT=\"AP1\"\nPCCARD=\"card\"\n"
    "IP=\"192.168.0.1\"\nNETMASK=\"255.255.255.0\"\nMACADDR=\"02:00:5E:12:34:56\"\n"
    "IPSET=\"MANUAL\"\nDHCPSET=\"NO\"\nDHCPS=\"YES\"\nCLIENT_SET=\"NO\"\nDSCH=\"3\"\n"
    "CUSTOM=\"NO\"\nDOMAIN=\"home\"\nROUTER=\"NO\"\n";

TEST(Checks, Name) {
    EXPECT_TRUE(name_check("ap_01", 32));
    EXPECT_TRUE(name_check("", 32));
    EXPECT_FALSE(name_check("ap 01", 32));
    EXPECT_FALSE(name_check("ap-01", 32));
    EXPECT_TRUE(name_check(std::string(32, 'a').c_str(), 32));
    EXPECT_FALSE(name_check(std::string(33, 'a').c_str(), 32));
    EXPECT_FALSE(name_check("\xc3\xa9", 32));  // letters are ASCII only
}

TEST(Checks, DottedQuad) {
    EXPECT_TRUE(dotted_quad_check("192.168.0.1"));
    EXPECT_TRUE(dotted_quad_check("0.0.0.0"));
    EXPECT_TRUE(dotted_quad_check("255.255.255.255"));
    EXPECT_FALSE(dotted_quad_check("192.168.0"));
    EXPECT_FALSE(dotted_quad_check("192.168.0.1.5"));
    EXPECT_FALSE(dotted_quad_check("192.168.0.x"));
    EXPECT_FALSE(dotted_quad_check("1.2.3.256"));
    EXPECT_FALSE(dotted_quad_check("1.2.3.999"));
    EXPECT_FALSE(dotted_quad_check("1.2.3."));
    EXPECT_FALSE(dotted_quad_check("-1.2.3.4"));
    EXPECT_FALSE(dotted_quad_check("1..3.4"));
    // Digits and dots only: what the web server takes as one address.
    for (const char* bad : {" 1. 2. 3.4", "+1.+2.-0.4", "1.2.3.4 ", "1.2.\t3.4", "0x1.2.3.4"})
        EXPECT_FALSE(dotted_quad_check(bad)) << bad;
    EXPECT_TRUE(dotted_quad_check("1.02.3.004"));
}

TEST(Checks, Mac) {
    EXPECT_TRUE(mac_check("02:00:5E:12:34:56"));
    EXPECT_TRUE(mac_check("0:90:cc:1:2:3"));
    EXPECT_TRUE(mac_check("1:2:3:4:5:6:junk"));  // text after the sixth number is not looked at
    EXPECT_FALSE(mac_check("1:2:3:4:5"));
    EXPECT_FALSE(mac_check("1:2:3:4:5:100"));
    EXPECT_FALSE(mac_check("g:2:3:4:5:6"));
}

TEST(Checks, DschIsTwoNameCharactersFrom1To99) {
    ValueTable t;
    bool disk;
    for (const char* bad : {"0", "100", "123", "", "a1", "-1"})
        EXPECT_EQ(run(t, disk, {"-DSCH", bad}), -1) << bad;
    EXPECT_EQ(run(t, disk, {"-DSCH", "1a"}), 0);
    EXPECT_EQ(value(t, "DSCH"), "1a");
    EXPECT_EQ(run(t, disk, {"-DSCH", "99"}), 0);
    EXPECT_EQ(value(t, "DSCH"), "99");
}

TEST(Checks, NumbersOutsideTheIntRangeFail) {
    EXPECT_FALSE(dotted_quad_check("1.2.3.4294967296"));  // 2^32 would read as 0 in 32 bits
    EXPECT_FALSE(dotted_quad_check("4294967297.2.3.4"));
    EXPECT_FALSE(dotted_quad_check("1.2.3.99999999999999999999999"));
    EXPECT_FALSE(mac_check("1:2:3:4:5:100000000"));
    EXPECT_FALSE(mac_check("100000001:2:3:4:5:6"));
    EXPECT_TRUE(mac_check("0x1:2:3:4:5:6"));
}

TEST(Options, ControlCharactersAreRefusedWhateverTheKey) {
    const char* keys[] = {"-w", "-NAME", "-ESSID", "-PRODUCT", "-PCCARD", "-IP", "-MACADDR", "-ROUTER"};
    const char* values[] = {"192.168.\n0.1", "1:2:3:4:5:6\nNAME=\"x y\"", "a\rb", "YES\n", "\x01", "x\x7f",
                            "\t"};
    for (const char* key : keys) {
        for (const char* v : values) {
            ValueTable t;
            bool disk;
            EXPECT_EQ(run(t, disk, {key, v}), -1) << key << " " << v;
        }
    }
    // Blanks and quotes in PCCARD, text after MACADDR's sixth number and
    // bytes beyond ASCII stay accepted.
    ValueTable t;
    bool disk;
    EXPECT_EQ(run(t, disk, {"-PCCARD", "a \"b\" c", "-MACADDR", "1:2:3:4:5:6 x", "-PRODUCT", "\xc3\xa9"}), 0);
    EXPECT_EQ(value(t, "PCCARD"), "a \"b\" c");
}

TEST(Options, ChoicesAreExactAndCaseSensitive) {
    ValueTable t;
    bool disk;
    for (const char* key : {"-DHCPSET", "-DHCPS", "-CLIENT_SET", "-CUSTOM", "-ROUTER"}) {
        EXPECT_EQ(run(t, disk, {key, "YES"}), 0) << key;
        EXPECT_EQ(run(t, disk, {key, "NO"}), 0) << key;
        EXPECT_EQ(run(t, disk, {key, "yes"}), -1) << key;
        EXPECT_EQ(run(t, disk, {key, "YES "}), -1) << key;
    }
    EXPECT_EQ(run(t, disk, {"-IPSET", "DHCP"}), 0);
    EXPECT_EQ(run(t, disk, {"-IPSET", "MANUAL"}), 0);
    EXPECT_EQ(run(t, disk, {"-IPSET", "dhcp"}), -1);
    EXPECT_EQ(value(t, "IPSET"), "MANUAL");
}

TEST(Options, CommandLineShape) {
    ValueTable t;
    bool disk;
    EXPECT_EQ(run(t, disk, {}), -1);
    EXPECT_EQ(run(t, disk, {"-NAME"}), -1);
    EXPECT_EQ(run(t, disk, {"-NAME", "a", "-IP"}), -1);
    EXPECT_EQ(run(t, disk, {"NAME", "a"}), -1);
    EXPECT_EQ(run(t, disk, {"-name", "a"}), -1);
    EXPECT_EQ(run(t, disk, {"-", "a"}), -1);
    EXPECT_EQ(run(t, disk, {"--NAME", "a"}), -1);
    EXPECT_EQ(run(t, disk, {"-NAME", "a", "-IP", "1.2.3.4"}), 0);
    EXPECT_EQ(value(t, "NAME"), "a");
    EXPECT_EQ(value(t, "IP"), "1.2.3.4");
}

TEST(Options, KeysWithoutHandlerChangeNothing) {
    ValueTable t;
    bool disk;
    EXPECT_EQ(run(t, disk, {"-ESSID", "foo bar", "-PRODUCT", std::string(100, 'x')}), 0);
    EXPECT_EQ(value(t, "ESSID"), "(absent)");
    EXPECT_EQ(value(t, "PRODUCT"), "(absent)");
    EXPECT_EQ(run(t, disk, {"-PCCARD", "any thing \" goes"}), 0);
    EXPECT_EQ(value(t, "PCCARD"), "any thing \" goes");
}

TEST(Options, DiskWriteFlag) {
    ValueTable t;
    bool disk;
    EXPECT_EQ(run(t, disk, {"-w", "yes"}), 0);
    EXPECT_TRUE(disk);
    EXPECT_EQ(run(t, disk, {"-w", "maybe"}), 0);
    EXPECT_TRUE(disk);
    EXPECT_EQ(run(t, disk, {"-w", "NO"}), 0);
    EXPECT_TRUE(disk);
    EXPECT_EQ(run(t, disk, {"-w", "no", "-w", "yes"}), 0);
    EXPECT_FALSE(disk);
    EXPECT_EQ(value(t, "w"), "yes");  // held, but never written
    EXPECT_EQ(written(t).find("w="), std::string::npos);
}

TEST(Options, ValuesTooLongForTheTableAreRefused) {
    ValueTable t;
    bool disk;
    EXPECT_EQ(run(t, disk, {"-PCCARD", std::string(47, 'c')}), 0);
    EXPECT_EQ(run(t, disk, {"-PCCARD", std::string(48, 'd')}), -1);
    EXPECT_EQ(value(t, "PCCARD"), std::string(47, 'c'));
    EXPECT_EQ(run(t, disk, {"-w", std::string(48, 'n')}), -1);
    EXPECT_EQ(run(t, disk, {"-MACADDR", "1:2:3:4:5:6" + std::string(40, ' ')}), -1);
}

TEST(Essid, DerivedFromMacAndGroupInCommandLineOrder) {
    ValueTable t;
    bool disk;
    Text in(kFull);
    read_apinfo(in.f, t);
    EXPECT_EQ(run(t, disk, {"-GROUP", "lab"}), 0);
    EXPECT_EQ(value(t, "ESSID"), "123456lab");

    EXPECT_EQ(run(t, disk, {"-MACADDR", "02:00:5E:AB:CD:EF", "-GROUP", "x"}), 0);
    EXPECT_EQ(value(t, "ESSID"), "ABCDEFx");
    EXPECT_EQ(run(t, disk, {"-GROUP", "y", "-MACADDR", "02:00:5E:00:00:01"}), 0);
    EXPECT_EQ(value(t, "ESSID"), "ABCDEFy");
    EXPECT_EQ(run(t, disk, {"-GROUP", ""}), 0);
    EXPECT_EQ(value(t, "ESSID"), "000001");
}

TEST(Essid, ShortOrMissingMacIsNotReadPastItsEnd) {
    ValueTable t;
    bool disk;
    EXPECT_EQ(run(t, disk, {"-GROUP", "g"}), 0);
    EXPECT_EQ(value(t, "ESSID"), "g");
    EXPECT_EQ(run(t, disk, {"-MACADDR", "0:90:cc:1:2:3", "-GROUP", "g"}), 0);
    EXPECT_EQ(value(t, "ESSID"), ":23g");  // characters 9, 10 and 12 of a 13-character value
}

TEST(ValueTable, SetReplacesAndRefusesWhatDoesNotFit) {
    ValueTable t;
    EXPECT_TRUE(t.set("NAME", "a"));
    EXPECT_TRUE(t.set("NAME", "b"));
    EXPECT_EQ(value(t, "NAME"), "b");
    EXPECT_FALSE(t.set("ABCDEFGHIJKLMNOP", "x"));  // 16-character key
    EXPECT_TRUE(t.set("ABCDEFGHIJKLMNO", "x"));
    EXPECT_FALSE(t.set("NAME", std::string(kSlotValueSize, 'v').c_str()));
    EXPECT_EQ(value(t, "NAME"), "b");
    for (int i = 0; i < 18; ++i) EXPECT_TRUE(t.set(("K" + std::to_string(i)).c_str(), "v"));
    EXPECT_FALSE(t.set("ONEMORE", "v"));  // twenty slots
    EXPECT_TRUE(t.set("NAME", "c"));
}

TEST(SettingsFile, ReadAndWrittenBackInKeyOrder) {
    ValueTable t;
    Text in(std::string("ROUTER=\"YES\"\nJUNK=\"x\"\nw=\"no\"\n") + kFull);
    read_apinfo(in.f, t);
    std::string out = written(t);
    EXPECT_EQ(out, kFull);  // later lines win, unknown keys and w dropped
}

TEST(SettingsFile, LineSyntax) {
    ValueTable t;
    Text in(
        "NAME=\"a\"b\"\n"            // inner quote kept
        "GROUP =\"sp\"\n"            // blank before '=': not a key
        "ip=\"1.2.3.4\"\n"           // lower case: not a key
        "JUNK=1\n"                  // not a key: its syntax does not matter
        "\n"
        "DOMAIN=\"x=y\" tail\n"      // text after the last quote ignored
        "CUSTOM=\"\"\n");
    read_apinfo(in.f, t);
    EXPECT_EQ(value(t, "NAME"), "a\"b");
    EXPECT_EQ(value(t, "GROUP"), "(absent)");
    EXPECT_EQ(value(t, "IP"), "(absent)");
    EXPECT_EQ(value(t, "DOMAIN"), "x=y");
    EXPECT_EQ(value(t, "CUSTOM"), "");
    std::string out = written(t);
    EXPECT_EQ(out.substr(0, 20), "NAME=\"a\"b\"\nGROUP=\"\"\n");  // keys without slot: empty
    EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), static_cast<std::ptrdiff_t>(kKeyCount));
}

std::string line_of(const char* key, const std::string& v) { return std::string(key) + "=\"" + v + "\"\n"; }

TEST(SettingsFile, LongValuesAreKeptByteForByte) {
    // Longer than any option may set, up to what the line buffer holds.
    const std::string product(52, 'P');
    // 255 characters and the newline: the buffer holds the line whole.
    const std::string pccard = "\x01\t\r" + std::string(256 - 13, 'c');
    const std::string in_text = line_of("PRODUCT", product) + line_of("PCCARD", pccard);
    ASSERT_EQ(line_of("PCCARD", pccard).size(), 256u);
    ValueTable t;
    Text in(in_text);
    ASSERT_EQ(read_apinfo(in.f, t), 0);
    bool disk;
    EXPECT_EQ(run(t, disk, {"-ROUTER", "NO"}), 0);
    const std::string out = written(t);
    EXPECT_NE(out.find(line_of("PRODUCT", product)), std::string::npos);
    EXPECT_NE(out.find(line_of("PCCARD", pccard)), std::string::npos);
}

TEST(SettingsFile, ALineWhoseValueCannotBeKeptOrAReadErrorFailsTheRead) {
    struct Case {
        std::string text;
        int rc;
    };
    const std::string filled = "NAME=\"" + std::string(255 - 6, 'n');  // 255 characters
    const Case cases[] = {
        {line_of("PRODUCT", std::string(300, 'P')), -1},
        {line_of("NAME", std::string(256 - 8, 'n')), 0},  // 255 characters and the newline
        {line_of("NAME", std::string(257 - 8, 'n')), -1},
        {filled, -1},             // the last line, without newline or closing quote
        {filled + "\"", -1},      // 256 characters
        {"IP=192.168.7.7\n", -1},  // no quotes
        {"NETMASK=\"255.0.0.0\n", -1},
        {std::string("NAME=\"a\0b\"\n", 11), -1},
        {std::string("PCCARD=\"a\"\0\n", 12), -1},
        // Not one of the sixteen: skipped, whatever they hold.
        {line_of("JUNK", std::string(300, 'j')) + line_of("NAME", "a"), 0},
        {line_of("w", std::string(300, 'n')), 0},
        {std::string("IP =1\nip=1\nJUNK=\"\0\"\nw=no\n\nno key\n", 33), 0},
    };
    for (const Case& c : cases) {
        ValueTable t;
        Text in(c.text);
        EXPECT_EQ(read_apinfo(in.f, t), c.rc) << c.text.substr(0, 16);
    }
    // A stream that cannot be read: a directory opens, but reads fail.
    std::FILE* dir = std::fopen("/", "r");
    ASSERT_NE(dir, nullptr);
    ValueTable t;
    EXPECT_EQ(read_apinfo(dir, t), -1);
    std::fclose(dir);
}

TEST(HttpdConf, TemplateLinesWithTheAddressMarkerBecomeServerName) {
    std::string long_line = std::string(300, 'x') + "${IP}\n";  // marker in the second piece
    Text templ("# web\nServerName ${IP}:80\nPort 80\n" + long_line + "tail");
    std::string got = output_of([&](std::FILE* out) { EXPECT_EQ(fill_httpd_conf(templ.f, out, "192.168.0.1"), 0); });
    EXPECT_EQ(got, "# web\nServerName    192.168.0.1\nPort 80\n" + std::string(255, 'x') +
                       "ServerName    192.168.0.1\ntail");
}

}  // namespace
