#pragma once
// One regular expression run over one subject Text, giving the matches and their capture
// groups as Text (code page 936). The matching itself is RegexEngine's (see regex_engine.h for
// the pattern syntax); the subject is kept as its UTF-16 units, so the engine's indexes are
// unit indexes.
//
// Life: constructing a matcher takes a hold on its thread's engine environment
// (EngineThread::enter) and destroy() releases it, so every matcher, copies included, is
// bracketed by one enter and one release on its thread. The destructor runs destroy(); calling
// it twice is harmless. A matcher is used only on the thread that made it.
//
// Numbering: matches and groups count from 1. Indexes out of range, a group that took no part,
// a rejected pattern and a matcher without an engine (after destroy()) all give the empty
// Text, 0 or false; nothing throws and nothing is shown.
//
// Positions (the optional out-argument of match_text and submatch_text) are 0-based byte
// offsets into the subject Text: the offset of the match, or of the capture itself. When there
// is no such match or capture the text is empty and the position is 0, or -2 when the subject
// is empty (what a search for the empty text gives). Computing a position converts the subject
// up to that point, so it costs time in proportion to the offset; without it, reading a match
// or a capture costs in proportion to its own length.

#include <memory>
#include <optional>
#include <string>

#include "foundation/text.h"
#include "pattern/engine_thread.h"
#include "pattern/regex_engine.h"

namespace kl8 {

class RegexMatcher {
   public:
    RegexMatcher();
    ~RegexMatcher();
    RegexMatcher(RegexMatcher&& other) noexcept;
    RegexMatcher& operator=(RegexMatcher&& other) noexcept;
    RegexMatcher(const RegexMatcher&) = delete;
    RegexMatcher& operator=(const RegexMatcher&) = delete;

    // Releases the engine, the matches and the subject, then the thread hold.
    void destroy();
    // A new matcher sharing this one's engine and matches (one more reference to each) with a
    // copy of its subject. It takes its own hold on the calling thread's environment.
    RegexMatcher copy() const;
    // Sets a new engine up and runs it over the whole subject. Defaults: case_sensitive false
    // (IgnoreCase true), multiline true, global true, quote_marker false. With quote_marker,
    // every "#引号" (23 D2 FD BA C5) in the pattern becomes a double quote. True when the run
    // gave a collection, even an empty one; false for a rejected pattern or no engine.
    bool create(const Text& pattern, const Text& subject, std::optional<bool> case_sensitive = {},
                std::optional<bool> multiline = {}, std::optional<bool> global = {},
                std::optional<bool> quote_marker = {});
    void noop();
    // The engine's pattern (after the quote-marker step), or empty without an engine.
    Text pattern_text() const;
    // The kept subject with the matches replaced (syntax in RegexEngine::replace); empty
    // without an engine or with a rejected pattern. Default replacement: the empty Text.
    Text replace(const std::optional<Text>& replacement = {});
    int match_count() const;
    // Match match_index (from 1).
    Text match_text(int match_index, int* position = nullptr) const;
    // Group submatch_index (from 1) of match match_index (from 1).
    Text submatch_text(int match_index, int submatch_index, int* position = nullptr) const;
    // The pattern's number of groups, read from the first match; 0 without a match.
    int submatch_count() const;

   private:
    int byte_offset(int unit_index) const;
    int missing_position() const;

    std::shared_ptr<EngineThread> thread_;
    std::shared_ptr<RegexEngine> regexp_;
    std::shared_ptr<const RegexMatches> matches_;
    // The subject's UTF-16 units; never changed once set, so copies may share them.
    std::shared_ptr<const std::u16string> subject_;
};

// A Text as UTF-16LE code units in code page 936's mapping (0x80 is U+20AC); a byte pair that
// is no character, or a lead byte that ends the text, becomes "?" for the lead byte alone.
Bytes text_to_utf16(const Text& t);
// UTF-16LE code units (an odd last byte is ignored) to a Text; a character code page 936
// lacks becomes "?", and the Text ends before the first U+0000.
Text utf16_to_text(const Bytes& b);

}  // namespace kl8
