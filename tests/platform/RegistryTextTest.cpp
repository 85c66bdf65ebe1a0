#include "platform/RegistryText.h"

#include <gtest/gtest.h>

namespace {

const char* const kKey = "HKEY_CURRENT_USER\\Software\\Velmora Records2009\\Velmora Recorder3\\"
                         "Settings\\General";

TEST(RegistryText, EveryValueTypeSurvivesFormatAndParse) {
    const struct {
        const char* label;
        RegistryValue value;
    } cases[] = {
        {"dword zero", RegistryValue::Dword(0)},
        {"dword all ones", RegistryValue::Dword(0xFFFFFFFFu)},
        {"qword", RegistryValue::Qword(0x0000BCDEF0123456ull)},
        {"plain string", RegistryValue::String("GPD0:")},
        {"backslashes and quotes", RegistryValue::String("$device\\COM12: \"x\" \\\\")},
        {"empty string", RegistryValue::String("")},
        {"control characters", RegistryValue::String("line1\r\nline2\ttab")},
        {"embedded NUL", RegistryValue::String(std::string("a\0", 2))},
        {"8-bit text", RegistryValue::String("M\xC3\xBCller's GPS")},
        {"binary", RegistryValue{kRegistryBinary, std::string("\x00\x01\xFF", 3)}},
        {"foreign type", RegistryValue{2, "%HOME%"}},
        {"empty binary", RegistryValue{kRegistryBinary, ""}},
    };
    for (const auto& c : cases) {
        RegistryTree tree;
        SetValue(tree, kKey, "Value", c.value);
        SetValue(tree, kKey, "", RegistryValue::Dword(7));
        const std::string text = FormatRegistryText(tree);
        const RegistryParseResult parsed = ParseRegistryText(text);
        ASSERT_FALSE(parsed.error) << c.label << ": " << parsed.error->reason << "\n" << text;
        EXPECT_EQ(parsed.tree, tree) << c.label << "\n" << text;
    }
}

TEST(RegistryText, WritesTheFormAPersonReads) {
    RegistryTree tree;
    SetValue(tree, kKey, "KindOfView", RegistryValue::Dword(3));
    SetValue(tree, kKey, "SerialPort", RegistryValue::String("$device\\COM12:"));
    SetValue(tree, kKey, "RemoteDeviceAddress", RegistryValue::Qword(0x0102030405060708ull));
    EXPECT_EQ(FormatRegistryText(tree), std::string("REGEDIT4\n\n[") + kKey +
                                            "]\n"
                                            "\"KindOfView\"=dword:00000003\n"
                                            "\"RemoteDeviceAddress\"=hex(b):08,07,06,05,04,"
                                            "03,02,01\n"
                                            "\"SerialPort\"=\"$device\\\\COM12:\"\n");
}

TEST(RegistryText, AcceptsHandEditedForms) {
    const std::string text = "\xEF\xBB\xBFREGEDIT4\r\n"
                             "; a comment\r\n"
                             "\r\n"
                             "[HKEY_CURRENT_USER\\A\\B\\]  \r\n"
                             "  \"Dword\" = dword:0000000A\r\n"
                             "\"Path\"=\"C:\\temp\"\r\n"
                             "\"Long\"=hex(b):01,02,03,04,\\\r\n"
                             "  05,06,07,08\r\n"
                             "[HKEY_CURRENT_USER\\Empty]\r\n";
    const RegistryParseResult parsed = ParseRegistryText(text);
    ASSERT_FALSE(parsed.error) << parsed.error->line << ": " << parsed.error->reason;
    const char* key = "HKEY_CURRENT_USER\\A\\B";
    ASSERT_NE(FindValue(parsed.tree, key, "dword"), nullptr); // names ignore case
    EXPECT_EQ(FindValue(parsed.tree, key, "Dword")->AsDword(), 10u);
    EXPECT_EQ(FindValue(parsed.tree, key, "Path")->AsString(), "C:\\temp");
    EXPECT_EQ(FindValue(parsed.tree, key, "Long")->AsQword(), 0x0807060504030201ull);
    EXPECT_TRUE(KeyExists(parsed.tree, "hkey_current_user\\empty"));
}

TEST(RegistryText, BlankTextIsAnEmptyRegistry) {
    for (const char* text : {"", "\n\n", "  \r\n"}) {
        const RegistryParseResult parsed = ParseRegistryText(text);
        EXPECT_FALSE(parsed.error) << '"' << text << '"';
        EXPECT_TRUE(parsed.tree.empty());
    }
}

TEST(RegistryText, RejectsWhatItDoesNotUnderstandWithTheLine) {
    const struct {
        const char* text;
        int line;
    } cases[] = {
        {"not a registry file\n", 1},
        {"\nREGEDIT5\n", 2},
        {"REGEDIT4\n\"x\"=dword:1\n", 2},
        {"REGEDIT4\n[A]\n\"x\"=dword:123456789\n", 3},
        {"REGEDIT4\n[A]\n\"x\"=dword:\n", 3},
        {"REGEDIT4\n[A]\n\"x\"=dword:zz\n", 3},
        {"REGEDIT4\n[A]\n\"x\"=\"open\n", 3},
        {"REGEDIT4\n[A]\n\"x\"=\"a\" trailing\n", 3},
        {"REGEDIT4\n[A]\n\"x\"=hex:1,2,300\n", 3},
        {"REGEDIT4\n[A]\n\"x\"=hex(q):01\n", 3},
        {"REGEDIT4\n[A]\n\"x\"=hex:01,\\\n", 3},
        {"REGEDIT4\n[A]\n\"x\"=-\n", 3},
        {"REGEDIT4\n[A]\n\"x\" 5\n", 3},
        {"REGEDIT4\n[A]\n\"x=1\n", 3},
        {"REGEDIT4\n[-A]\n", 2},
        {"REGEDIT4\n[\\-A]\n", 2},
        {"REGEDIT4\n[A\\\\B]\n", 2},
        {"REGEDIT4\n[A\n", 2},
        {"REGEDIT4\n[A]\ngarbage\n", 3},
    };
    for (const auto& c : cases) {
        const RegistryParseResult parsed = ParseRegistryText(c.text);
        ASSERT_TRUE(parsed.error) << c.text;
        EXPECT_EQ(parsed.error->line, c.line) << c.text;
        EXPECT_TRUE(parsed.tree.empty()) << c.text;
    }
}

TEST(RegistryTree, DeletingAKeyTakesItsValuesAndEveryKeyBelow) {
    RegistryTree tree;
    SetValue(tree, "R\\Comm\\BluetoothDevices\\BluetoothDevice_0", "DeviceName",
             RegistryValue::String("a"));
    SetValue(tree, "R\\Comm\\BluetoothDevices\\BluetoothDevice_1\\Deeper", "X",
             RegistryValue::Dword(1));
    SetValue(tree, "R\\Comm\\BluetoothDevicesOther", "Keep", RegistryValue::Dword(2));
    SetValue(tree, "R\\Comm", "Keep", RegistryValue::Dword(3));

    EXPECT_TRUE(DeleteKeyTree(tree, "r\\comm\\bluetoothdevices"));
    EXPECT_FALSE(KeyExists(tree, "R\\Comm\\BluetoothDevices"));
    EXPECT_FALSE(KeyExists(tree, "R\\Comm\\BluetoothDevices\\BluetoothDevice_1"));
    EXPECT_NE(FindValue(tree, "R\\Comm\\BluetoothDevicesOther", "Keep"), nullptr);
    EXPECT_NE(FindValue(tree, "R\\Comm", "Keep"), nullptr);
    EXPECT_FALSE(DeleteKeyTree(tree, "R\\Comm\\BluetoothDevices"));
}

} // namespace
