// Reads an in-memory dialog template back as the dialog manager reads it
// (the header, the title, then each item on a 4-byte boundary after zero
// padding, with its class atom and UTF-16 text) and compares every field
// with the layout it was written from.  The template's unit tests and its
// fuzz target share it; it uses no test framework, since the fuzz target
// has none.  Texts are compared unit for byte, as the Latin-1 widening of
// the tests writes them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "msgbox/prompt_dialog.h"

// Little-endian values at a running offset.  Past the block's end it yields
// zeros and remembers the overrun, so a short block ends every loop.
class TemplateBlockReader {
public:
    TemplateBlockReader(const uint8_t* block, size_t size) : m_block(block), m_size(size) {}

    uint16_t Word()
    {
        if (m_size - m_at < 2) {
            m_overrun = true;
            m_at = m_size;
            return 0;
        }
        m_at += 2;
        return static_cast<uint16_t>(m_block[m_at - 2] | m_block[m_at - 1] << 8);
    }
    uint32_t DoubleWord()
    {
        const uint32_t low = Word();
        return low | static_cast<uint32_t>(Word()) << 16;
    }
    std::string Text()
    {
        std::string text;
        for (uint16_t unit = Word(); unit != 0; unit = Word())
            text.push_back(static_cast<char>(unit));
        return text;
    }
    // Moves to the next 4-byte boundary; false when a byte passed is not 0.
    bool SkipPadding()
    {
        bool zero = true;
        for (; m_at % 4 != 0 && m_at < m_size; ++m_at)
            zero = zero && m_block[m_at] == 0;
        return zero;
    }
    size_t Position() const { return m_at; }
    bool Overrun() const { return m_overrun; }

private:
    const uint8_t* m_block;
    size_t m_size;
    size_t m_at = 0;
    bool m_overrun = false;
};

// Keeps the first difference found, as a sentence.
class FirstTemplateDifference {
public:
    void Number(const std::string& what, int64_t read, int64_t expected)
    {
        if (read != expected)
            Note(what + ": " + std::to_string(read) + " in the block, " + std::to_string(expected) + " expected");
    }
    void Bits(const std::string& what, uint32_t read, uint32_t expected)
    {
        if (read != expected)
            Note(what + ": " + Hex(read) + " in the block, " + Hex(expected) + " expected");
    }
    // Long texts are shown from their first difference on, briefly.
    void Text(const std::string& what, const std::string& read, const std::string& expected)
    {
        if (read == expected)
            return;
        size_t at = 0;
        while (at < read.size() && at < expected.size() && read[at] == expected[at])
            ++at;
        Note(what + " from character " + std::to_string(at) + ": \"" + read.substr(at, kShownCharacters) + "\" (" +
             std::to_string(read.size()) + " in all) in the block, \"" + expected.substr(at, kShownCharacters) +
             "\" (" + std::to_string(expected.size()) + ") expected");
    }
    void Note(const std::string& difference)
    {
        if (m_first.empty())
            m_first = difference;
    }
    const std::string& First() const { return m_first; }

private:
    static std::string Hex(uint32_t value)
    {
        char text[16];
        std::snprintf(text, sizeof(text), "0x%08X", static_cast<unsigned>(value));
        return text;
    }

    static constexpr size_t kShownCharacters = 40;
    std::string m_first;
};

// Reads the template in block (size bytes) and compares it with dialog's
// layout, and its title with title.  Returns "" when all agree and the last
// item ends the block, else the first difference.  Each item's offset goes
// to itemOffsets when given.
inline std::string DialogTemplateMismatch(const uint8_t* block, size_t size, const CPromptDialog& dialog,
                                          const std::string& title, std::vector<size_t>* itemOffsets = nullptr)
{
    TemplateBlockReader reader(block, size);
    FirstTemplateDifference difference;
    const PbDialogHeader& header = dialog.m_dlgTemplate;
    difference.Bits("style", reader.DoubleWord(), header.style);
    difference.Bits("extended style", reader.DoubleWord(), header.dwExtendedStyle);
    difference.Number("item count", reader.Word(), header.cdit);
    for (int16_t field : {header.x, header.y, header.cx, header.cy})
        difference.Number("dialog position and size", static_cast<int16_t>(reader.Word()), field);
    difference.Number("menu", reader.Word(), 0);
    difference.Number("dialog class", reader.Word(), 0);
    difference.Text("title", reader.Text(), title);

    for (int i = 0; i < header.cdit && i < PB_MAX_ITEMS && dialog.m_pItems[i]; ++i) {
        const CPromptItem& item = *dialog.m_pItems[i];
        const std::string name = "item " + std::to_string(i) + " ";
        if (!reader.SkipPadding())
            difference.Note(name + "follows padding that is not zero");
        if (itemOffsets != nullptr)
            itemOffsets->push_back(reader.Position());
        difference.Bits(name + "style", reader.DoubleWord(), item.m_dwStyle);
        difference.Bits(name + "extended style", reader.DoubleWord(), item.m_dwExStyle);
        const PbDialogUnitRect& units = item.m_rcDlgUnits;
        for (int16_t field : {units.x, units.y, units.cx, units.cy})
            difference.Number(name + "position and size", static_cast<int16_t>(reader.Word()), field);
        difference.Number(name + "id", reader.Word(), item.m_nId);
        difference.Number(name + "class marker", reader.Word(), 0xFFFF);
        difference.Number(name + "class atom", reader.Word(), item.m_nKind);
        difference.Text(name + "text", reader.Text(), item.Text());
        difference.Number(name + "creation data", reader.Word(), 0);
    }
    if (reader.Overrun())
        return "the block ends inside the template";
    difference.Number("end of the last item (it is not padded)", static_cast<int64_t>(reader.Position()),
                      static_cast<int64_t>(size));
    return difference.First();
}
