#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <tuple>

#include "runtime/Catalog.h"
#include "runtime/InputStream.h"
#include "runtime/Utf8.h"

namespace {

// The German catalog msgfmt made from po/de.po.
std::vector<uint8_t> germanMo()
{
    std::ifstream in(KORVATH_DATA_DIR "/de.mo", std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Every code point of s.
std::vector<int32_t> decode(const std::string& s)
{
    std::vector<int32_t> out;
    const auto n = static_cast<int32_t>(s.size());
    for (int32_t i = 0; i < n;) {
        const int32_t before = i;
        out.push_back(Utf8::next(s.data(), n, i));
        EXPECT_GT(i, before); // always a step on
    }
    return out;
}

} // namespace

TEST(Utf8, DecodesEveryLengthAndTakesAnyOtherByteAsLatin1)
{
    EXPECT_EQ(decode("a\xC3\xA4\xD0\x96\xE2\x82\xAC\xF0\x9F\x98\x80"),
              (std::vector<int32_t>{'a', 0xE4, 0x416, 0x20AC, 0x1F600}));
    // A lone continuation byte, a lead byte cut short at the end or by an
    // ASCII byte, overlong forms, a surrogate, past U+10FFFF, FF.
    EXPECT_EQ(decode("\x80\xC3"), (std::vector<int32_t>{0x80, 0xC3}));
    EXPECT_EQ(decode("\xE2\x82z"), (std::vector<int32_t>{0xE2, 0x82, 'z'}));
    EXPECT_EQ(decode("\xC0\xAF\xE0\x80\xAF"), (std::vector<int32_t>{0xC0, 0xAF, 0xE0, 0x80, 0xAF}));
    EXPECT_EQ(decode("\xED\xA0\x80"), (std::vector<int32_t>{0xED, 0xA0, 0x80}));
    EXPECT_EQ(decode("\xF4\x90\x80\x80\xFF"), (std::vector<int32_t>{0xF4, 0x90, 0x80, 0x80, 0xFF}));
    int32_t i = 3;
    EXPECT_EQ(std::pair(Utf8::next("abc", 3, i), i), std::pair(-1, 3));
}

TEST(Catalog, ReadsMsgfmtsFileAndRefusesADamagedOneWhole)
{
    std::vector<uint8_t> mo = germanMo();
    ASSERT_GT(mo.size(), 28u);
    Catalog c;
    ASSERT_TRUE(c.load(mo.data(), static_cast<int32_t>(mo.size())));
    EXPECT_GT(c.size(), 200);
    EXPECT_STREQ(c.find("New Game"), "Neues Spiel");
    EXPECT_STREQ(c.find("Sound: Off"), "Ton: Aus");
    EXPECT_TRUE(c.find("Quit ") == nullptr && c.find("") == nullptr && c.find(nullptr) == nullptr);

    // Every byte of the header and the tables changed in turn, and the file
    // cut at every length: each load either refuses the file or finds only
    // strings that end inside it (ASan would see a read past it).
    for (size_t at = 0; at < 28 + 16 * 9; at++) {
        std::vector<uint8_t> bad = mo;
        bad[at] ^= 0xA5;
        if (c.load(bad.data(), static_cast<int32_t>(bad.size())) && c.find("Help")) {
            EXPECT_LT(std::string(c.find("Help")).size(), mo.size());
        }
    }
    for (size_t n = 0; n < mo.size(); n++) {
        // A file cut short loses its last string's terminator, or more.
        std::vector<uint8_t> cut(mo.begin(), mo.begin() + static_cast<std::ptrdiff_t>(n));
        EXPECT_FALSE(c.load(cut.data(), static_cast<int32_t>(n))) << n;
        EXPECT_EQ(c.size(), 0);
    }
    // The other byte order reads the same: the header and both tables
    // (msgfmt puts them one after the other) word by word.
    std::vector<uint8_t> swapped = mo;
    const size_t count = mo[8] | mo[9] << 8 | mo[10] << 16;
    for (size_t k = 0; k < 28 + 16 * count; k += 4)
        std::swap(swapped[k], swapped[k + 3]), std::swap(swapped[k + 1], swapped[k + 2]);
    ASSERT_TRUE(c.load(swapped.data(), static_cast<int32_t>(swapped.size())));
    EXPECT_STREQ(c.find("About"), "Info");
}

TEST(Catalog, TheLanguageComesFromTheLocaleAndTrFallsBackToEnglish)
{
    EXPECT_EQ(std::tuple(Catalog::localeLanguage("de_DE.UTF-8", "fr_FR", "ru_RU"),
                         Catalog::localeLanguage("", "fr_FR.UTF-8@euro", "ru"), Catalog::localeLanguage(nullptr, nullptr, "C.UTF-8"),
                         Catalog::localeLanguage(nullptr, nullptr, "POSIX"), Catalog::localeLanguage(nullptr, nullptr, nullptr)),
              std::tuple("de_DE", "fr_FR", "", "", ""));
    InputStream::setResourceDir(KORVATH_DATA_DIR);
    EXPECT_TRUE(Catalog::choose("de_AT")); // the plain language's catalog
    EXPECT_STREQ(Catalog::tr("Help")->c_str(), "Hilfe");
    EXPECT_STREQ(Catalog::tr("Nothing like it")->c_str(), "Nothing like it");
    // One English word, two meanings: the menu's way back and the tank's reverse.
    EXPECT_EQ(std::pair(std::string(Catalog::tr("Back")->c_str()), std::string(Catalog::trc("action", "Back")->c_str())),
              std::pair(std::string("Zur\xC3\xBC" "ck"), std::string("R\xC3\xBC" "ckw\xC3\xA4rts")));
    EXPECT_STREQ(Catalog::trc("key", "Nothing like it")->c_str(), "Nothing like it");
    // No catalog, or a name that reaches out of the data folder: English.
    for (const char* l : {"xx", "../de", "en", ""}) {
        EXPECT_FALSE(Catalog::choose(l)) << l;
        EXPECT_STREQ(Catalog::tr("Help")->c_str(), "Help") << l;
    }
    InputStream::setResourceDir(".");
}

// A translation puts the values where its language wants them; a brace that
// is no value's stays, so a damaged catalog cannot reach past the values.
TEST(Catalog, FillPutsEachValueInItsPlaceAndLeavesAnyOtherBrace)
{
    EXPECT_EQ(Catalog::fill("Shots fired: {1}, hit: {2}", {"16", "15"}), "Shots fired: 16, hit: 15");
    EXPECT_EQ(Catalog::fill("{2} von {1} getroffen", {"16", "15"}), "15 von 16 getroffen");
    EXPECT_EQ(Catalog::fill("{1}{1}", {"a"}), "aa");
    EXPECT_EQ(Catalog::fill("{3} {0} {} {1 {Fire} {", {"a", "b"}), "{3} {0} {} {1 {Fire} {");
    EXPECT_EQ(Catalog::fill("Effects: {1}%", {}), "Effects: {1}%");
    EXPECT_EQ(Catalog::fill(ref<String>(), {"a"}), "");
}
