// Writes the bit fields of H.264 headers: fixed-width and Exp-Golomb codes.
#pragma once

#include <cstdint>
#include <vector>

class BitWriter {
public:
    void Bits(std::uint32_t value, int count)
    {
        for (int i = count - 1; i >= 0; --i) {
            Bit((value >> i) & 1u);
        }
    }
    void Bit(std::uint32_t bit)
    {
        current_ = static_cast<std::uint8_t>(current_ << 1 | (bit & 1u));
        if (++used_ == 8) {
            bytes_.push_back(current_);
            current_ = 0;
            used_ = 0;
        }
    }
    // Unsigned Exp-Golomb: value+1 in binary, preceded by one zero per bit after the first.
    void Ue(std::uint32_t value)
    {
        const std::uint64_t code = static_cast<std::uint64_t>(value) + 1;
        int length = 0;
        while ((code >> length) > 1) ++length;
        Bits(0, length);
        for (int i = length; i >= 0; --i) Bit(static_cast<std::uint32_t>(code >> i) & 1u);
    }
    void Se(std::int32_t value)
    {
        Ue(value > 0 ? static_cast<std::uint32_t>(2 * value - 1) : static_cast<std::uint32_t>(-2 * value));
    }
    void ZeroUntilAligned()
    {
        while (used_ != 0) Bit(0);
    }
    // rbsp_trailing_bits: a one, then zeros to the byte boundary.
    std::vector<std::uint8_t> Finish()
    {
        Bit(1);
        ZeroUntilAligned();
        return bytes_;
    }

private:
    std::vector<std::uint8_t> bytes_;
    std::uint8_t current_ = 0;
    int used_ = 0;
};
