#pragma once
// Splits a fuzzer's input into a few texts and small numbers: pieces are separated by the byte
// 0x01, numbers come from the first bytes. Deterministic, so a crash replays.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "foundation/text.h"

namespace kl8::fuzz {

class Input {
  public:
    Input(const std::uint8_t* data, std::size_t size) {
        std::size_t i = 0;
        for (; i < size && i < 4; ++i) numbers_[i] = static_cast<int>(data[i]) - 64;
        std::string piece;
        for (; i < size; ++i) {
            if (data[i] == 0x01) {
                pieces_.push_back(piece);
                piece.clear();
            } else {
                piece += static_cast<char>(data[i]);
            }
        }
        pieces_.push_back(piece);
    }
    // Piece k as raw bytes (zero bytes included) or as a Text.
    const std::string& raw(std::size_t k) const {
        static const std::string empty;
        return k < pieces_.size() ? pieces_[k] : empty;
    }
    Text text(std::size_t k) const { return Text(std::string_view(raw(k))); }
    int number(std::size_t k) const { return k < 4 ? numbers_[k] : 0; }

  private:
    int numbers_[4] = {0, 0, 0, 0};
    std::vector<std::string> pieces_;
};

// Stops the run loudly: libFuzzer records the input as a crash.
#define FUZZ_CHECK(condition) \
    do {                      \
        if (!(condition)) __builtin_trap(); \
    } while (0)

}  // namespace kl8::fuzz
