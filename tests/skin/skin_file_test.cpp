// Skin files: damaged files are refused naming the file and the line, the shipped skin loads,
// values reach the model, and the hue turns colours. Runs on both platforms.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "wizard/skin/skin_model.h"

namespace {

class SkinFileTest : public ::testing::Test {
protected:
    SkinFileTest()
    {
        std::random_device random;
        dir_ = std::filesystem::temp_directory_path() / ("tessaline-skin-" + std::to_string(random()));
        std::filesystem::create_directories(dir_);
    }
    ~SkinFileTest() override
    {
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }

    std::string Write(const std::string& bytes)
    {
        const std::string path = (dir_ / ("skin" + std::to_string(++count_) + ".skn")).string();
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }

    std::filesystem::path dir_;
    int count_ = 0;
};

struct Damaged {
    const char* name;
    std::string content;
    int line;
    const char* reason;
};

TEST_F(SkinFileTest, DamagedFileIsRefusedNamingFileAndLine)
{
    const std::string head = "tessaline-skin 1\n[window]\n";
    const Damaged cases[] = {
        {"bad syntax", head + "background-top #ffffff\nend\n", 3, "bad syntax"},
        {"short colour", head + "text = #12345\nend\n", 3, "unknown colour \"#12345\""},
        {"colour by name", head + "text = blue\nend\n", 3, "unknown colour \"blue\""},
        {"unknown key", head + "text = #000000\nshadow = #000000\nend\n", 4,
         "unknown key \"shadow\" in [window]"},
        {"key of another section", head + "radius = 4\nend\n", 3, "unknown key \"radius\""},
        {"unknown section", head + "[scrollbar]\nend\n", 3, "unknown section [scrollbar]"},
        {"key before section", "tessaline-skin 1\n\ntext = #000000\nend\n", 3, "before any [section]"},
        {"key twice", head + "text = #000000\n# again\ntext = #111111\nend\n", 5,
         "given twice (first on line 3)"},
        {"number too big", "tessaline-skin 1\n[button]\nradius = 21\nend\n", 3, "bad number \"21\""},
        {"number with unit", "tessaline-skin 1\n[button]\nradius = 4px\nend\n", 3, "bad number"},
        {"negative number", "tessaline-skin 1\n[progress]\ngloss = -1\nend\n", 3, "bad number"},
        {"text without quotes", "tessaline-skin 1\n[info]\nname = Aqua\nend\n", 3, "double quotes"},
        {"truncated", head + "text = #000000\nbackground-top = #ffffff\n", 4, "\"end\""},
        {"truncated inside a value", head + "text = #0000", 3, "unknown colour"},
        {"text after end", head + "end\n\n[window]\n", 5, "after the closing"},
        {"no header", "# skin\n[window]\nend\n", 2, "not a skin file"},
        {"only comments", "# skin\n\n# nothing\n", 3, "not a skin file"},
        {"later version", "tessaline-skin 2\nend\n", 1, "version \"2\""},
        {"binary", head + std::string("\x00\x01\x02\xff\x10", 5) + "\nend\n", 3, "binary"},
        {"invalid utf-8", "tessaline-skin 1\n[info]\nname = \"Aq\xc3\x28ua\"\nend\n", 3, "UTF-8"},
        {"empty", "", 0, "empty"},
    };
    for (const Damaged& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = Write(c.content);
        try {
            skin::ReadSkinFile(path);
            ADD_FAILURE() << "the damaged skin was accepted";
        } catch (const skin::SkinError& e) {
            const std::string message = e.what();
            EXPECT_NE(message.find(path), std::string::npos) << message;
            EXPECT_NE(message.find(c.reason), std::string::npos) << message;
            EXPECT_EQ(e.Line(), c.line);
            EXPECT_EQ(e.File(), path);
            if (c.line > 0) {
                EXPECT_NE(message.find(": line " + std::to_string(c.line) + ": "), std::string::npos);
            }
        }
    }
}

TEST_F(SkinFileTest, MissingOrUnreadableFileIsRefused)
{
    for (const std::string& path : {(dir_ / "absent.skn").string(), dir_.string()}) {
        try {
            skin::ReadSkinFile(path);
            ADD_FAILURE() << path << " was accepted";
        } catch (const skin::SkinError& e) {
            EXPECT_NE(std::string(e.what()).find(path + " cannot be used"), std::string::npos) << e.what();
            EXPECT_EQ(e.Line(), 0);
        }
    }
}

TEST_F(SkinFileTest, FileLargerThanOneMebibyteIsRefused)
{
    std::string big = "tessaline-skin 1\n";
    big += std::string(skin::kMaxSkinFileBytes, '#');
    big += "\nend\n";
    try {
        skin::ReadSkinFile(Write(big));
        ADD_FAILURE() << "an oversized skin was accepted";
    } catch (const skin::SkinError& e) {
        EXPECT_NE(std::string(e.what()).find("larger than 1 MiB"), std::string::npos) << e.what();
    }
}

TEST_F(SkinFileTest, ShippedSkinLoads)
{
    const skin::SkinModel model = skin::ReadSkinFile(TESSALINE_SHIPPED_SKIN);
    EXPECT_EQ(model.name, "Win Aqua");
    // The aqua look: blue buttons on a light window.
    EXPECT_GT(model.button.normal.bottom.b, model.button.normal.bottom.r + 100);
    EXPECT_GT(skin::Lightness(model.window.top), 200);
    EXPECT_LT(skin::Lightness(model.label.text), 60);
}

TEST_F(SkinFileTest, WindowsLineEndsAndByteOrderMarkAreAccepted)
{
    const skin::SkinModel model =
        skin::ParseSkin("\xef\xbb\xbftessaline-skin 1\r\n[button]\r\nradius = 7\r\nend\r\n", "x.skn");
    EXPECT_EQ(model.button.radius, 7);
}

TEST_F(SkinFileTest, ValuesReachTheModel)
{
    const skin::SkinModel model =
        skin::ParseSkin("tessaline-skin 1\n[info]\nauthor = \"Jó Ember\"\n[combo]\n"
                        "  arrow   =   #0A0b0C80  \n[separator]\ndark = #102030\nend\n# bye\n",
                        "x.skn");
    EXPECT_EQ(model.author, "Jó Ember");
    EXPECT_EQ(model.combo.arrow, (skin::Colour{10, 11, 12, 128}));
    EXPECT_EQ(model.separator.dark, (skin::Colour{0x10, 0x20, 0x30, 255}));
    // Keys the file leaves out keep the engine's own value.
    EXPECT_EQ(model.separator.light, skin::SkinModel().separator.light);
}

TEST(SkinColours, HueTurnsChromaticColoursOnly)
{
    struct Turn {
        skin::Colour colour;
        int hue;
        skin::Colour expected;
    };
    const Turn turns[] = {
        {{255, 0, 0}, 120, {0, 255, 0}},          // red to green
        {{255, 0, 0}, -120, {0, 0, 255}},         // backwards
        {{255, 0, 0}, 480, {0, 255, 0}},          // more than a turn
        {{12, 80, 200}, 360, {12, 80, 200}},      // a whole turn
        {{128, 128, 128}, 90, {128, 128, 128}},   // grey stays
        {{255, 0, 0, 40}, 240, {0, 0, 255, 40}},  // opacity stays
    };
    for (const Turn& t : turns) {
        skin::SkinModel model;
        model.button.normal.bottom = t.colour;
        model.frame.background = t.colour;
        const skin::SkinModel turned = skin::ShiftHue(model, t.hue);
        EXPECT_EQ(turned.button.normal.bottom, t.expected) << t.hue;
        EXPECT_EQ(turned.frame.background, t.expected) << t.hue;
    }
}

TEST(SkinColours, LighterAndDarkerScaleTheValue)
{
    EXPECT_EQ(skin::Darker({200, 100, 50}, 200), (skin::Colour{100, 50, 25}));
    EXPECT_EQ(skin::Lighter({100, 50, 25}, 200), (skin::Colour{200, 100, 50}));
    // What overflows the value is taken from the saturation: the colour pales towards white.
    const skin::Colour pale = skin::Lighter({200, 100, 100}, 400);
    EXPECT_EQ(pale.r, 255);
    EXPECT_GT(pale.g, 100);
    EXPECT_EQ(skin::Lighter({0, 0, 0}, 150), (skin::Colour{0, 0, 0}));
}

TEST(SkinColours, OwnColoursReplaceTheSkinsOnlyWhenSwitchedOn)
{
    skin::SkinModel model;
    model.window.top = {10, 20, 200};
    skin::OwnColours own;
    own.back = {255, 255, 0};
    own.panel = {200, 0, 0};
    EXPECT_EQ(skin::LookFor(model, 0, own).window.top, model.window.top);
    own.apply = true;
    const skin::SkinModel look = skin::LookFor(model, 180, own);
    EXPECT_EQ(look.window.top, own.back);  // used as given, not turned by the hue
    EXPECT_EQ(look.button.normal.bottom, own.panel);
    EXPECT_EQ(look.combo.bottom, own.panel);
}

}  // namespace

// ----- The looks both runtimes derive from a skin alike -----

TEST(SkinLooks, AButtonsStatesCascadeEachLaterOneWinning)
{
    const skin::SkinModel look = skin::ReadSkinFile(TESSALINE_SHIPPED_SKIN);
    const auto& b = look.button;
    skin::ButtonStates states;
    EXPECT_EQ(skin::ButtonLookFor(look, states).top, b.normal.top);
    // The default button: the normal face in the default border.
    states.isDefault = true;
    skin::ButtonLook face = skin::ButtonLookFor(look, states);
    EXPECT_EQ(face.top, b.normal.top);
    EXPECT_EQ(face.border, b.defaultBorder);
    // Hover gives a whole face, its border too.
    states.hover = true;
    face = skin::ButtonLookFor(look, states);
    EXPECT_EQ(face.bottom, b.hover.bottom);
    EXPECT_EQ(face.border, b.hover.border);
    // Pressed wins over hover, and the focus border over both.
    states.pressed = true;
    states.focus = true;
    face = skin::ButtonLookFor(look, states);
    EXPECT_EQ(face.top, b.pressed.top);
    EXPECT_EQ(face.text, b.pressed.text);
    EXPECT_EQ(face.border, b.focusBorder);
    // Disabled comes last and gives everything.
    states.disabled = true;
    face = skin::ButtonLookFor(look, states);
    EXPECT_EQ(face.top, b.disabled.top);
    EXPECT_EQ(face.border, b.disabled.border);
    EXPECT_EQ(face.text, b.disabled.text);
}

TEST(SkinLooks, GlossSplitsTheGradientAndNoGlossKeepsItPlain)
{
    const skin::Colour black{0, 0, 0};
    const skin::Colour grey{200, 200, 200};
    auto channel = [](const std::vector<skin::GradientStop>& stops) {
        std::vector<std::pair<double, int>> values;
        for (const skin::GradientStop& stop : stops) values.emplace_back(stop.at, stop.colour.r);
        return values;
    };
    using Stops = std::vector<std::pair<double, int>>;
    // No gloss: straight from top to bottom.
    EXPECT_EQ(channel(skin::GlossyStops(black, grey, 0)),
              (Stops{{0.0, 0}, {0.5, 100}, {0.51, 100}, {1.0, 200}}));
    // Full gloss: darker down to the middle, then a sharp edge to the bottom colour, and a glow
    // back towards the top colour at the bottom.
    EXPECT_EQ(channel(skin::GlossyStops(black, grey, 100)),
              (Stops{{0.0, 0}, {0.5, 70}, {0.51, 200}, {1.0, 110}}));
}

TEST(SkinLooks, TheBarKeepsItsColourInTheMiddleBandUnderTheGloss)
{
    const skin::Colour bar{20, 33, 152};
    for (const skin::GradientStop& stop : skin::ProgressGlossStops(bar, 0))
        EXPECT_EQ(stop.colour, bar) << stop.at;
    const std::vector<skin::GradientStop> gloss = skin::ProgressGlossStops(bar, 100);
    ASSERT_EQ(gloss.size(), 5u);
    EXPECT_EQ(gloss[2].colour, bar);
    EXPECT_EQ(gloss[3].colour, bar);
    EXPECT_EQ(gloss[0].colour, skin::Mix(bar, {255, 255, 255}, 0.65));  // the brightest at the top
    EXPECT_GT(skin::Lightness(gloss[0].colour), skin::Lightness(gloss[4].colour));
}

TEST(SkinLooks, ADisabledListsArrowFadesTowardsWhite)
{
    const skin::SkinModel look = skin::ReadSkinFile(TESSALINE_SHIPPED_SKIN);
    EXPECT_EQ(skin::ArrowColour(look, true), look.combo.arrow);
    EXPECT_EQ(skin::ArrowColour(look, false), skin::Mix(look.combo.arrow, {255, 255, 255}, 0.6));
}
