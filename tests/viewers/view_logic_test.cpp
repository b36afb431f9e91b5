// The viewer's widget-free rules: format rule, status texts, ruler arithmetic, search.
#include "viewers/view_logic.h"

#include <gtest/gtest.h>

using namespace kav::viewers;

TEST(ViewLogic, FormatRuleLooksForRtfAnywhereInTheName)
{
    struct Case {
        const char *name;
        bool rich;
    };
    const Case cases[] = {{"notes.rtf", true}, {"notes.Rtf", true}, {"NOTES.RTF", true},
                          {"notes.txt", false}, {"notes", false}, {"a.rtf.txt", true},
                          {"rtf", false}, {"/home/u/x.rtfd/y.txt", true}};
    for (const Case &c : cases)
        EXPECT_EQ(isRichTextName(QString::fromUtf8(c.name)), c.rich) << c.name;
}

TEST(ViewLogic, StatusTexts)
{
    EXPECT_EQ(positionText(2, 4), "Ln: 2  Col: 4");

    const CharacterPanels a = characterPanels(U'A');
    EXPECT_EQ(a.chr, "Chr:A");
    EXPECT_EQ(a.dec, "Dec: 65");
    EXPECT_EQ(a.hex, "Hex: 41");
    EXPECT_EQ(a.bin, "Bin: 1000001");
    const CharacterPanels han = characterPanels(U'한');
    EXPECT_EQ(han.chr, QStringLiteral("Chr:한"));
    EXPECT_EQ(han.dec, "Dec: 54620");
    EXPECT_EQ(han.hex, "Hex: d55c");
    const CharacterPanels tab = characterPanels(U'\t');
    EXPECT_EQ(tab.hex, "Hex: 09");
    const CharacterPanels none = characterPanels(std::nullopt);
    EXPECT_TRUE(none.chr.isEmpty() && none.dec.isEmpty() && none.hex.isEmpty() && none.bin.isEmpty());

    EXPECT_EQ(binaryText(0), "0");
    EXPECT_EQ(binaryText(1), "1");
    EXPECT_EQ(binaryText(-5), "-101");

    EXPECT_EQ(keyStateText(false, false, false, false), "");
    EXPECT_EQ(keyStateText(true, true, true, true), "INS NUM SCR CAP ");
    EXPECT_EQ(keyStateText(false, true, false, true), "NUM CAP ");
}

TEST(ViewLogic, RulerMarkersAndIndents)
{
    // Markers placed from indents give the same indents back when dropped unmoved.
    const int width = 600;
    const int grip = 5;  // half a 10-pixel marker
    const Indents cases[] = {{0, 0, 0}, {36, 0, 0}, {36, -18, 0}, {0, 27, 72}, {72, 36, 9}};
    for (const Indents &in : cases) {
        const MarkerLefts m = markerLefts(in, width);
        const int first = firstIndentFromMarker(m.first, grip);
        EXPECT_NEAR(first, in.first, 1);
        EXPECT_NEAR(leftIndentFromMarker(m.left, grip, in.first), in.left, 1);
        EXPECT_NEAR(rightIndentFromMarker(m.right, grip, width), in.right, 1);
    }
    const MarkerLefts zero = markerLefts({0, 0, 0}, width);
    EXPECT_EQ(zero.first, 2);
    EXPECT_EQ(zero.left, 2);
    EXPECT_EQ(zero.right, width - 6 - 8);

    for (const Indents &in : cases) {
        const Indents back = indentsOfMargins(marginsOfIndents(in));
        EXPECT_EQ(back.first, in.first);
        EXPECT_EQ(back.left, in.left);
        EXPECT_EQ(back.right, in.right);
    }
}

TEST(ViewLogic, FindText)
{
    struct Case {
        const char *text, *pattern;
        qsizetype from;
        bool wholeWord, matchCase;
        qsizetype found;
    };
    const Case cases[] = {
        {"abc abc", "abc", 0, false, false, 0},
        {"abc abc", "abc", 1, false, false, 4},
        {"abc ABC", "ABC", 0, false, true, 4},
        {"abc ABC", "ABC", 0, false, false, 0},
        {"cat concat cat", "cat", 1, true, false, 11},
        {"concat", "cat", 0, true, false, -1},
        {"cat_x cat", "cat", 0, true, false, 6},
        {"한글 한글날", "한글", 1, true, false, -1},
        {"한글 한글날", "한글", 1, false, false, 3},
        {"abc", "", 0, false, false, -1},
        {"abc", "abc", 3, false, false, -1},
    };
    for (const Case &c : cases)
        EXPECT_EQ(findText(QString::fromUtf8(c.text), QString::fromUtf8(c.pattern), c.from,
                           c.wholeWord, c.matchCase),
                  c.found)
            << c.text << " / " << c.pattern;
}
