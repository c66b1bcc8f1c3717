// The text entry's editing and the popup menu's layout, without a window.
#include <gtest/gtest.h>

#include <X11/keysym.h>

#include "graphics/IPopupMenu.h"
#include "platform/linux/IEditorPopupMenuX11.h"
#include "platform/linux/IEditorTextEntryX11.h"
#include "tests/plugin/TestPlug.h"

namespace
{
// The filter a window gives its text entries.
class FilterCanvas : public HeadlessCanvas
{
public:
  FilterCanvas() : HeadlessCanvas(nullptr) {}
  static bool Accepts(const IPlugParam* p, int c) { return TextEntryAccepts(p, c); }
};

class TextEntryModelTest : public ::testing::Test
{
protected:
  void SetUp() override
  {
    plug.DeclareProductParams();
    plug.GetParam(3)->DeclareNumber("Gain", 0.0, -100.0, 100.0, 0.1, "dB");
  }
  IEditorTextEntryX11 Entry(int param, const char* text, int length = 7)
  {
    return IEditorTextEntryX11(nullptr, param >= 0 ? plug.GetParam(param) : nullptr, ITextStyle(), IPixelRect(0, 0, 30, 16),
                               text, length, &FilterCanvas::Accepts);
  }
  void TypeAll(IEditorTextEntryX11& e, const char* text)
  {
    for (const char* p = text; *p; ++p) e.Type((unsigned char)*p);
  }
  TestPlug plug{4};
};
}  // namespace

TEST_F(TextEntryModelTest, OpensAllSelectedSoTypingReplacesTheValue)
{
  IEditorTextEntryX11 e = Entry(1, "50");
  EXPECT_TRUE(e.IsAllSelected());
  EXPECT_EQ(e.GetText(), "50");
  EXPECT_TRUE(e.Type('7'));
  EXPECT_EQ(e.GetText(), "7");
  EXPECT_FALSE(e.IsAllSelected());
}

TEST_F(TextEntryModelTest, IntegerEntriesRefuseLettersAndFloatingOnesTakeAMinusTwelvePointFive)
{
  IEditorTextEntryX11 integer = Entry(1, "");
  TypeAll(integer, "abc");
  EXPECT_EQ(integer.GetText(), "");
  TypeAll(integer, "-1.2+");
  EXPECT_EQ(integer.GetText(), "-12+") << "no decimal point for an integer";

  IEditorTextEntryX11 number = Entry(3, "0");
  TypeAll(number, "-12.5");
  EXPECT_EQ(number.GetText(), "-12.5");

  IEditorTextEntryX11 free = Entry(-1, "");
  TypeAll(free, "ab c");
  EXPECT_EQ(free.GetText(), "ab c") << "without a parameter every character passes";
}

TEST_F(TextEntryModelTest, HoldsAtMostItsLengthAndEditsAtTheCaret)
{
  IEditorTextEntryX11 e = Entry(1, "");
  TypeAll(e, "123456789");
  EXPECT_EQ(e.GetText(), "1234567");
  e.Backspace();
  EXPECT_EQ(e.GetText(), "123456");
  e.MoveCaret(-2);
  e.Type('9');
  EXPECT_EQ(e.GetText(), "1234956");
  e.CaretToStart();
  e.DeleteForward();
  EXPECT_EQ(e.GetText(), "234956");
  e.SelectAll();
  e.Backspace();
  EXPECT_EQ(e.GetText(), "");
  IEditorTextEntryX11 longer = Entry(-1, "a text longer than seven", 7);
  EXPECT_EQ(longer.GetText(), "a text ");
}

TEST_F(TextEntryModelTest, ReturnAsksForACommitAndEscapeForACancel)
{
  IEditorTextEntryX11 e = Entry(1, "5");
  e.HandleKey(XK_3, "3", 1, 0);
  EXPECT_EQ(e.GetText(), "3");
  EXPECT_EQ(e.state, IEditorTextEntryX11::kOpen);
  e.HandleKey(XK_Return, "\r", 1, 0);
  EXPECT_EQ(e.state, IEditorTextEntryX11::kCommitRequested);
  IEditorTextEntryX11 f = Entry(1, "5");
  f.HandleKey(XK_Escape, "\x1b", 1, 0);
  EXPECT_EQ(f.state, IEditorTextEntryX11::kCancelRequested);
  EXPECT_EQ(f.GetText(), "5");
}

TEST(PopupMenuLayoutTest, NumbersItemsByPrefixStyleAndOnlyEnabledItemsCanBeChosen)
{
  HeadlessCanvas canvas(nullptr);
  IPopupMenu menu(IPopupMenu::kPrefixTwoDigits);
  menu.AddItem("Low");
  menu.AddItem("Mid", -1, IPopupMenuItem::kChecked);
  menu.AddItem("High");
  menu.AddSeparator();
  menu.AddItem("Greyed", -1, IPopupMenuItem::kGreyed);
  menu.AddItem("Disabled", -1, IPopupMenuItem::kDisabled);
  IPopupMenu sub;
  IPopupMenuItem* withSub = menu.AddItem("More");
  withSub->submenu = &sub;

  IEditorPopupMenuX11 layout(&menu, &canvas);
  const std::vector<IEditorPopupMenuX11::Row>& rows = layout.GetRows();
  ASSERT_EQ(rows.size(), 6u) << "an item with a submenu is left out";
  EXPECT_EQ(rows[0].text, "01: Low");
  EXPECT_EQ(rows[2].text, "03: High");
  EXPECT_EQ(rows[4].text, "05: Greyed");
  EXPECT_EQ(rows[5].item, 5);
  EXPECT_TRUE(layout.IsChoosable(0));
  EXPECT_TRUE(layout.IsChoosable(1));
  EXPECT_FALSE(layout.IsChoosable(3)) << "separator";
  EXPECT_FALSE(layout.IsChoosable(4));
  EXPECT_FALSE(layout.IsChoosable(5));
  // Rows stack without gaps and the hit test finds them.
  for (size_t i = 1; i < rows.size(); ++i) EXPECT_EQ(rows[i].top, rows[i - 1].top + rows[i - 1].height);
  EXPECT_EQ(layout.RowAt(5, rows[2].top + 1), 2);
  EXPECT_EQ(layout.RowAt(-1, rows[2].top + 1), -1);
  EXPECT_EQ(layout.RowAt(5, layout.GetHeight() + 3), -1);
  EXPECT_GE(layout.GetWidth(), 80);
}
