// The in-memory dialog template, decoded back field by field.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "fake_layout_metrics.h"
#include "msgbox/dialog_template.h"
#include "msgbox/prompt_dialog.h"

namespace {

// Byte per unit, as code page 1252 maps ASCII and most letters.
int32_t WidenLatin1(const char* text, uint16_t* units, int32_t capacity)
{
    const int32_t needed = static_cast<int32_t>(std::strlen(text)) + 1;
    if (units == nullptr) {
        return needed;
    }
    if (capacity < needed) {
        return 0;
    }
    for (int32_t i = 0; i < needed; ++i) {
        units[i] = static_cast<unsigned char>(text[i]);
    }
    return needed;
}

// A double-byte code page: a byte of 0x80 and above leads a two-byte
// character, which becomes one unit.
int32_t WidenDoubleByte(const char* text, uint16_t* units, int32_t capacity)
{
    std::vector<uint16_t> wide;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text);; ++p) {
        if (*p >= 0x80 && p[1] != 0) {
            wide.push_back(static_cast<uint16_t>(0x3000 + *++p));
        } else {
            wide.push_back(*p);
            if (*p == 0) {
                break;
            }
        }
    }
    const int32_t needed = static_cast<int32_t>(wide.size());
    if (units == nullptr) {
        return needed;
    }
    if (capacity < needed) {
        return 0;
    }
    std::memcpy(units, wide.data(), wide.size() * sizeof(uint16_t));
    return needed;
}

int32_t WidenNothing(const char*, uint16_t*, int32_t) { return 0; }

struct DecodedItem {
    size_t offset;
    uint32_t style, exStyle;
    int16_t x, y, cx, cy;
    uint16_t id, classMarker, classAtom;
    std::u16string text;
    uint16_t creationDataSize;
};

struct DecodedTemplate {
    uint32_t style, exStyle;
    uint16_t cdit;
    int16_t x, y, cx, cy;
    uint16_t menu, windowClass;
    std::u16string title;
    std::vector<DecodedItem> items;
    size_t end;
};

// Reads the block as the system's dialog manager would, and checks on the
// way that padding is zero and every item starts on a 4-byte boundary.
class TemplateReader {
public:
    explicit TemplateReader(const std::vector<uint8_t>& bytes) : m_bytes(bytes) {}

    DecodedTemplate Decode()
    {
        DecodedTemplate t = {};
        t.style = DoubleWord();
        t.exStyle = DoubleWord();
        t.cdit = Word();
        t.x = static_cast<int16_t>(Word());
        t.y = static_cast<int16_t>(Word());
        t.cx = static_cast<int16_t>(Word());
        t.cy = static_cast<int16_t>(Word());
        t.menu = Word();
        t.windowClass = Word();
        t.title = Text();
        for (int i = 0; i < t.cdit; ++i) {
            while (m_at % 4 != 0) {
                EXPECT_EQ(m_bytes.at(m_at), 0) << "padding at " << m_at;
                ++m_at;
            }
            DecodedItem item = {};
            item.offset = m_at;
            item.style = DoubleWord();
            item.exStyle = DoubleWord();
            item.x = static_cast<int16_t>(Word());
            item.y = static_cast<int16_t>(Word());
            item.cx = static_cast<int16_t>(Word());
            item.cy = static_cast<int16_t>(Word());
            item.id = Word();
            item.classMarker = Word();
            item.classAtom = Word();
            item.text = Text();
            item.creationDataSize = Word();
            t.items.push_back(item);
        }
        t.end = m_at;
        return t;
    }

private:
    uint16_t Word()
    {
        const uint16_t value = static_cast<uint16_t>(m_bytes.at(m_at) | (m_bytes.at(m_at + 1) << 8));
        m_at += 2;
        return value;
    }
    uint32_t DoubleWord()
    {
        const uint32_t low = Word();
        return low | (static_cast<uint32_t>(Word()) << 16);
    }
    std::u16string Text()
    {
        std::u16string text;
        for (uint16_t unit = Word(); unit != 0; unit = Word()) {
            text.push_back(static_cast<char16_t>(unit));
        }
        return text;
    }

    const std::vector<uint8_t>& m_bytes;
    size_t m_at = 0;
};

std::u16string Latin1(const std::string& text)
{
    return std::u16string(text.begin(), text.end());
}

class DialogTemplate : public ::testing::Test {
protected:
    CPromptDialog& Build(uint32_t type, const char* message, const char* caption)
    {
        dialog = std::make_unique<CPromptDialog>(metrics, nullptr, message, caption, type, params);
        return *dialog;
    }

    std::vector<uint8_t> Write(PbWidenText widen = WidenLatin1)
    {
        const size_t size = MeasureDialogTemplate(*dialog, widen);
        // Filled with a marker so that unwritten padding shows.
        std::vector<uint8_t> block(size, 0xCD);
        EXPECT_EQ(WriteDialogTemplate(*dialog, widen, block.data(), block.size()), size);
        return block;
    }

    // Every field of the decoded template against the layout.
    void ExpectMatchesLayout(const DecodedTemplate& t, const std::u16string& title)
    {
        const PbDialogHeader& h = dialog->m_dlgTemplate;
        EXPECT_EQ(t.style, h.style);
        EXPECT_EQ(t.exStyle, 0u);
        EXPECT_EQ((std::vector<int>{t.x, t.y, t.cx, t.cy}), (std::vector<int>{h.x, h.y, h.cx, h.cy}));
        EXPECT_EQ(t.menu, 0);
        EXPECT_EQ(t.windowClass, 0);
        EXPECT_EQ(t.title, title);
        ASSERT_EQ(t.cdit, h.cdit);
        for (int i = 0; i < h.cdit; ++i) {
            const CPromptItem& item = *dialog->m_pItems[i];
            const DecodedItem& d = t.items[i];
            SCOPED_TRACE("item " + std::to_string(i));
            EXPECT_EQ(d.offset % 4, 0u);
            EXPECT_EQ(d.style, item.m_dwStyle);
            EXPECT_EQ(d.exStyle, item.m_dwExStyle);
            EXPECT_EQ((std::vector<int>{d.x, d.y, d.cx, d.cy}),
                      (std::vector<int>{item.m_rcDlgUnits.x, item.m_rcDlgUnits.y, item.m_rcDlgUnits.cx,
                                        item.m_rcDlgUnits.cy}));
            EXPECT_EQ(d.id, item.m_nId);
            EXPECT_EQ(d.classMarker, 0xFFFF);
            EXPECT_EQ(d.classAtom, item.m_nKind);
            EXPECT_EQ(d.text, Latin1(item.Text()));
            EXPECT_EQ(d.creationDataSize, 0);
        }
    }

    FakeLayoutMetrics metrics;
    PromptBoxParams params;
    std::unique_ptr<CPromptDialog> dialog;
};

TEST_F(DialogTemplate, SingleOkBoxIsLaidOutByteForByte)
{
    Build(MB_OK, "Hello", "Title");
    const std::vector<uint8_t> block = Write();

    // Header: 22 bytes, "Title" and its terminator (12), 2 bytes of padding.
    const uint8_t header[] = {0x80, 0x08, 0xC8, 0x90, 0, 0, 0, 0, 2, 0, 0, 0, 0, 0};
    ASSERT_GE(block.size(), sizeof(header));
    EXPECT_EQ(std::vector<uint8_t>(block.begin(), block.begin() + sizeof(header)),
              std::vector<uint8_t>(std::begin(header), std::end(header)));
    EXPECT_EQ(block[22], 'T');
    EXPECT_EQ(block[23], 0);
    EXPECT_EQ(block[34], 0);
    EXPECT_EQ(block[35], 0);

    const DecodedTemplate t = TemplateReader(block).Decode();
    ExpectMatchesLayout(t, u"Title");
    ASSERT_EQ(t.items.size(), 2u);
    EXPECT_EQ(t.items[0].offset, 36u);
    EXPECT_EQ(t.items[0].classAtom, 0x82);
    EXPECT_EQ(t.items[0].text, u"Hello");
    // "Hello" item: 22 + 12 + 2 = 36 bytes, so OK follows without padding.
    EXPECT_EQ(t.items[1].offset, 72u);
    EXPECT_EQ(t.items[1].classAtom, 0x80);
    EXPECT_EQ(t.items[1].style, 0x50010001u);
    // The last item is not padded: 22 + "OK" (6) + 2.
    EXPECT_EQ(block.size(), 72u + 30u);
    EXPECT_EQ(t.end, block.size());
}

TEST_F(DialogTemplate, EveryItemOfAFullBoxIsWritten)
{
    params.reportCallback = [](const char*, uint32_t) {};
    Build(MB_YESNOCANCEL | MB_ICONQUESTION | MB_HELP | PB_CHECK_DONT_ASK | PB_ADD_YES_TO_ALL | MB_SYSTEMMODAL,
          "Apply the voltage?\nIt is written at once.", "Odd");
    ASSERT_EQ(dialog->m_dlgTemplate.cdit, 9);
    const DecodedTemplate t = TemplateReader(Write()).Decode();
    ExpectMatchesLayout(t, u"Odd");
    EXPECT_EQ(t.style, 0x90C80882u);
    EXPECT_EQ(t.items[0].id, PB_ID_ICON);
    EXPECT_EQ(t.items[0].text, u"");
    EXPECT_EQ(t.items.back().id, PB_ID_CHECKBOX);
    EXPECT_EQ(t.items.back().style, 0x50010003u);
    EXPECT_EQ(t.items.back().classAtom, 0x80);
}

TEST_F(DialogTemplate, CustomButtonsOfOddLengthsArePadded)
{
    std::strcpy(params.buttonsText, "A\nBB\nCCC\nDDDD\nEEEEE");
    Build(MB_OK | MB_ICONEXCLAMATION, "", "");
    const std::vector<uint8_t> block = Write();
    const DecodedTemplate t = TemplateReader(block).Decode();
    ExpectMatchesLayout(t, u"");
    ASSERT_EQ(t.items.size(), 6u); // icon, text, four buttons; the fifth is dropped
    EXPECT_EQ(t.items[2].text, u"A");
    EXPECT_EQ(t.items[5].text, u"DDDD");
    EXPECT_EQ(t.items[5].id, 26);
    EXPECT_EQ(t.end, block.size());
}

TEST_F(DialogTemplate, LongTitleIsCutTo1023Bytes)
{
    const std::string caption(2000, 'x');
    Build(MB_OK, "Hello", caption.c_str());
    const DecodedTemplate t = TemplateReader(Write()).Decode();
    EXPECT_EQ(t.title, Latin1(std::string(1023, 'x')));
    ExpectMatchesLayout(t, t.title);
}

TEST_F(DialogTemplate, DoubleByteTextsTakeTheConvertersCount)
{
    // Two double-byte characters in the title and in the message.
    Build(MB_OK | PB_NO_CAPTION_RESOURCES, "\x82\xA0\x82\xA2!", "\x93\xFA\x96\x7B");
    const std::vector<uint8_t> block = Write(WidenDoubleByte);
    const DecodedTemplate t = TemplateReader(block).Decode();
    EXPECT_EQ(t.title, (std::u16string{0x30FA, 0x307B}));
    ASSERT_EQ(t.items.size(), 2u);
    EXPECT_EQ(t.items[0].offset, 28u); // 22 + 3 units = 28: already aligned
    EXPECT_EQ(t.items[0].text, (std::u16string{0x30A0, 0x30A2, u'!'}));
    EXPECT_EQ(t.end, block.size());
}

TEST_F(DialogTemplate, FailuresWriteNothing)
{
    Build(MB_OKCANCEL, "Hello", "Title");
    EXPECT_EQ(MeasureDialogTemplate(*dialog, WidenNothing), 0u);
    EXPECT_EQ(MeasureDialogTemplate(*dialog, nullptr), 0u);

    // A block one byte short is not overrun.
    const size_t size = MeasureDialogTemplate(*dialog, WidenLatin1);
    std::vector<uint8_t> block(size + 1, 0xCD);
    EXPECT_EQ(WriteDialogTemplate(*dialog, WidenLatin1, block.data(), size - 1), 0u);
    EXPECT_EQ(block[size - 1], 0xCD);
    EXPECT_EQ(WriteDialogTemplate(*dialog, WidenLatin1, nullptr, size), 0u);
}

} // namespace
