// The result dialogs' behaviour, fed as a window system or a page feeds it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dialogs/machine.h"

namespace {

using Kind = DialogEventKind;

DialogEvent Ev(Kind kind, std::string text = {}, int32_t x = 0, int32_t y = 0) {
    return {kind, 0, std::move(text), x, y};
}

DialogEvent Key(EditKey key) {
    return {Kind::EditKey, 0, {}, 0, 0, key};
}

class DialogMachines : public ::testing::Test {
  protected:
    const DialogFonts fonts = OpenDialogFonts();
    const NameDialogLayout name = LayOutNameDialog(fonts);
    const Rect ok = name.ok;
    const Rect edit = name.edit;
    const int32_t ok_x = (ok.left + ok.right) / 2, ok_y = (ok.top + ok.bottom) / 2;
};

DialogEvent T(std::string text) {
    return Ev(Kind::Type, std::move(text));
}

TEST_F(DialogMachines, TheNamePromptTakesTypingFocusClicksSpaceAndReturn) {
    const std::string a = "\xe3\x81\x82";  // あ, 82 A0 in code page 932
    const auto at = [](Kind kind, int32_t x, int32_t y) { return Ev(kind, {}, x, y); };
    const DialogEvent left = Key(EditKey::Left), back = Key(EditKey::Backspace);
    const DialogEvent tab = Ev(Kind::FocusNext), focus_ok = Ev(Kind::FocusOk);
    const DialogEvent ok_down = at(Kind::PointerDown, ok_x, ok_y),
                      ok_up = at(Kind::PointerUp, ok_x, ok_y);
    const DialogEvent in_field = at(Kind::PointerDown, edit.left + 1, edit.top + 2);
    const DialogEvent space[] = {Ev(Kind::SpaceDown), Ev(Kind::SpaceUp)};
    struct Kept {
        std::string text;  // code page 932
        std::size_t caret;
        NameFocus focus;
        bool confirmed = false;
        bool composing = false;
    };
    const auto E = NameFocus::Edit, O = NameFocus::Ok;
    const struct {
        const char* what;
        Kept kept;
        std::vector<DialogEvent> events;
    } cases[] = {
        {"typed at the caret", {"ab\x82\xa0", 4, E}, {T("ab"), T(a)}},
        {"editing keys", {"ac", 1, E}, {T("abc"), left, back}},
        {"Tab moves the focus; typing reaches the field only",
         {"y", 1, E},
         {tab, T("x"), tab, T("y")}},
        {"no editing in a composition, which typing ends",
         {"\x82\xa0", 2, E},
         {Ev(Kind::Composition, "kana", 4), back, Ev(Kind::Paste, "zz"), T(a)}},
        {"a paste is its first line", {"one", 3, E}, {Ev(Kind::Paste, "one\r\ntwo")}},
        {"an input element's report", {"x\x82\xa0y", 3, E}, {Ev(Kind::Edit, "x" + a + "y", 2)}},
        {"Return", {"me", 2, E, true}, {T("me"), Ev(Kind::Confirm)}},
        {"OK clicked takes the focus", {"", 0, O, true}, {ok_down, ok_up}},
        {"OK let go elsewhere",
         {"", 0, O},
         {ok_down, at(Kind::PointerMove, 0, 0), at(Kind::PointerUp, 0, 0)}},
        {"Space works OK only with the focus", {"", 0, O}, {space[0], space[1], focus_ok}},
        {"Space on a focused OK", {"", 0, O, true}, {focus_ok, space[0], space[1]}},
        {"a click in the field takes the focus and the caret",
         {"abc", 0, E},
         {T("abc"), focus_ok, in_field}},
        {"the caret stays with a composition",
         {"abc", 3, E, false, true},
         {T("abc"), Ev(Kind::Composition, "k", 1), in_field}},
    };
    for (const auto& c : cases) {
        NameDialog dialog = OpenNameDialog(fonts, 0);
        for (const DialogEvent& event : c.events) {
            FeedNameDialog(dialog, fonts, event);
        }
        EXPECT_EQ(dialog.field.text, c.kept.text) << c.what;
        EXPECT_EQ(dialog.field.caret, c.kept.caret) << c.what;
        EXPECT_EQ(dialog.view.focus, c.kept.focus) << c.what;
        EXPECT_EQ(dialog.confirmed, c.kept.confirmed) << c.what;
        EXPECT_EQ(!dialog.view.composition.empty(), c.kept.composing) << c.what;
    }
}

TEST_F(DialogMachines, TheFieldIsHandedBackOnlyWhenTheGameChangedIt) {
    // A page's report as it stands, one the field must refuse, a click.
    NameDialog dialog = OpenNameDialog(fonts, 0);
    EXPECT_FALSE(FeedNameDialog(dialog, fonts, Ev(Kind::Edit, "ab", 2)).field_changed);
    EXPECT_TRUE(
        FeedNameDialog(dialog, fonts, Ev(Kind::Edit, "ab\xf0\x9f\x98\x80", 3)).field_changed);
    EXPECT_EQ(dialog.field.text, "ab");
    EXPECT_TRUE(
        FeedNameDialog(dialog, fonts, Ev(Kind::PointerDown, {}, edit.left + 1, edit.top + 2))
            .field_changed);
}

TEST_F(DialogMachines, TheCaretBlinksEvery530MsAndShowsSteadilyWhileTyping) {
    // Time, event; then the caret, whether to draw, the wait before the next blink.
    struct Step {
        uint32_t now_ms;
        DialogEvent event;
        bool caret_on;
        bool redraw;
        uint32_t until_blink;
    };
    const Step steps[] = {
        {1529, Ev(Kind::Tick), true, false, 1},
        {1530, Ev(Kind::Tick), false, true, 530},
        {1700, Ev(Kind::Type, "a"), true, true, 530},
        {1800, Ev(Kind::Expose), true, true, 430},
        {1900, Ev(Kind::FocusOk), true, true, 530},
        // OK pushed in and out: drawn again, the caret's phase kept.
        {2000, Ev(Kind::PointerDown, {}, ok_x, ok_y), true, true, 430},
        {2100, Ev(Kind::PointerMove, {}, 0, 0), true, true, 330},
        {2200, Ev(Kind::PointerMove, {}, 1, 0), true, false, 230},
        {2430, Ev(Kind::Tick), false, true, 530},
    };
    NameDialog dialog = OpenNameDialog(fonts, 1000);
    EXPECT_EQ(UntilCaretBlink(dialog, 1000), 530u);
    for (const Step& step : steps) {
        DialogEvent event = step.event;
        event.now_ms = step.now_ms;
        const DialogResponse response = FeedNameDialog(dialog, fonts, event);
        EXPECT_EQ(dialog.view.caret_on, step.caret_on) << step.now_ms;
        EXPECT_EQ(response.redraw, step.redraw) << step.now_ms;
        EXPECT_EQ(UntilCaretBlink(dialog, step.now_ms), step.until_blink) << step.now_ms;
    }
}

TEST_F(DialogMachines, TheRankingClosesOnReturnOrOkClickedOrSpaced) {
    const Rect& button = LayOutRankingDialog(fonts).ok;
    const int32_t x = (button.left + button.right) / 2, y = (button.top + button.bottom) / 2;
    // The events; whether they close it, and whether the last one asks for a drawing.
    struct Case {
        std::vector<DialogEvent> events;
        bool closed;
        bool redraw;
    };
    const Case cases[] = {
        {{Ev(Kind::Confirm)}, true, false},
        {{Ev(Kind::PointerDown, {}, x, y)}, false, true},
        {{Ev(Kind::PointerDown, {}, x, y), Ev(Kind::PointerUp, {}, x, y)}, true, true},
        {{Ev(Kind::PointerDown, {}, x, y), Ev(Kind::PointerUp, {}, 0, 0)}, false, true},
        {{Ev(Kind::SpaceDown), Ev(Kind::SpaceUp)}, true, false},
        {{Ev(Kind::Type, "x"), Ev(Kind::FocusNext)}, false, false},
        {{Ev(Kind::Expose)}, false, true},
    };
    for (const Case& c : cases) {
        RankingDialog dialog = OpenRankingDialog(fonts);
        DialogResponse response;
        for (const DialogEvent& event : c.events) {
            response = FeedRankingDialog(dialog, event);
        }
        EXPECT_EQ(dialog.closed, c.closed) << c.events.size() << " " << int(c.events[0].kind);
        EXPECT_EQ(response.redraw, c.redraw) << c.events.size() << " " << int(c.events[0].kind);
    }
}

}  // namespace
