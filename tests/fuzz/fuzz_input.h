// Reads a fuzzer's bytes as a stream of small values; past the end it yields
// zeros, so every input is a complete, valid sequence of choices.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

class FuzzInput {
public:
    FuzzInput(const uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    bool Empty() const { return pos_ >= size_; }
    uint8_t Byte() { return pos_ < size_ ? data_[pos_++] : 0; }
    uint16_t U16() { return static_cast<uint16_t>(Byte() | Byte() << 8); }
    uint32_t U32() { return static_cast<uint32_t>(U16()) | static_cast<uint32_t>(U16()) << 16; }
    bool Bool() { return Byte() & 1; }

    // A string of a length chosen by the input (up to maxLength), taken from
    // the following bytes.
    std::string Text(std::size_t maxLength)
    {
        std::size_t length = U16() % (maxLength + 1);
        std::string text;
        while (text.size() < length && pos_ < size_)
            text += static_cast<char>(Byte());
        return text;
    }

    // Fills a fixed buffer completely, possibly without a terminator.
    void Fill(char* buffer, std::size_t capacity)
    {
        std::size_t length = U16() % (capacity + 1);
        std::memset(buffer, 0, capacity);
        for (std::size_t i = 0; i < length && pos_ < size_; ++i)
            buffer[i] = static_cast<char>(Byte());
    }

private:
    const uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};
