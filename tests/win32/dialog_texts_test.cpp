// A dialog's texts set from a table when it opens, on a real template of
// the program: the caption, each control's text in UTF-8, and rows for
// controls the dialog lacks passed over.
#include <windows.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "WinTestSupport.h"
#include "platform/win32/Window.h"
#include "splitter/ui/win32/Resource.h"

namespace portelan::test {
namespace {

// The dedication's template with texts from a table; reads back what the
// dialog shows once they are set, and closes at once.
class TextedDialog : public win::CDialog {
  public:
    TextedDialog(const char* newCaption, std::vector<win::ControlText> rows)
        : CDialog(IDD_DEDICATION), m_caption(newCaption), m_rows(std::move(rows))
    {
    }
    std::string caption, text, button;

  protected:
    BOOL OnInitDialog() override
    {
        win::SetDialogTexts(Hwnd(), m_caption, m_rows);
        caption = WindowText(Hwnd());
        text = ItemText(Hwnd(), IDC_DEDICATION_TEXT);
        button = ItemText(Hwnd(), IDOK);
        EndDialog(Hwnd(), IDOK);
        return TRUE;
    }

  private:
    const char* m_caption;
    std::vector<win::ControlText> m_rows;
};

TEST(DialogTexts, CaptionAndControlsComeFromTheTable)
{
    const struct {
        const char* caption;
        std::vector<win::ControlText> rows;
        const char* shownCaption;
        const char* shownText;
        const char* shownButton;
    } cases[] = {
        {"Dedication",
         {{IDC_DEDICATION_TEXT, "For Marie"}, {IDOK, "&Close"}},
         "Dedication",
         "For Marie",
         "&Close"},
        // No caption: the template's (none: it keeps only the geometry) stays.
        // Text beyond Windows-1252 arrives whole.
        {nullptr, {{IDC_DEDICATION_TEXT, "Für Zoë – 東京"}}, "", "Für Zoë – 東京", ""},
        // A control the template lacks is passed over; the rows after it count.
        {"Ä", {{4242, "nowhere"}, {IDOK, "Schließen"}}, "Ä", "", "Schließen"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.shownCaption);
        TextedDialog dialog(c.caption, c.rows);
        EXPECT_EQ(dialog.DoModal(), IDOK);
        EXPECT_EQ(dialog.caption, c.shownCaption);
        EXPECT_EQ(dialog.text, c.shownText);
        EXPECT_EQ(dialog.button, c.shownButton);
    }
}

} // namespace
} // namespace portelan::test
