#pragma once
// The regular-expression engine object that RegexMatcher drives: properties IgnoreCase,
// Multiline and Global, the Pattern, Execute giving a match collection, and Replace. It works
// on UTF-16 code units (PCRE2 in 16-bit mode, without UTF), so every index is a unit index.
//
// Pattern syntax, in the manner of ECMAScript engines without the "u" flag:
// - classes, \d \w \s \b with their ASCII meanings (\s is [ \t\n\v\f\r]), lazy quantifiers,
//   look-ahead and look-behind, back-references (one to a group that took no part matches the
//   empty text), non-capturing groups, \xhh and \uhhhh, "[]" matching nothing, "[^]" anything;
// - "." matches any one unit but the line feed (U+000A); \r, U+2028 and U+2029 are ordinary;
// - IgnoreCase folds the ASCII letters one to another; when the pattern holds characters
//   beyond ASCII it also folds those by Unicode's simple case rules (Greek, Cyrillic,
//   full-width Latin), while \d \w \s \b keep their ASCII meanings;
// - Multiline changes only "^" and "$" (line feed as the line end); without it "$" matches
//   only at the very end of the subject.
// PCRE2's own limits show at the edges: a look-behind must have a fixed length, and a group
// inside a repeat keeps its capture from an earlier pass (ECMAScript clears it each pass).
//
// Execute: with Global, every match left to right without overlap, each search starting where
// the previous match ended; after an empty match the next search starts one unit later.
// Without Global, at most the first match. Each search is bounded by EngineThread's limits;
// a search that runs out of them counts as finding nothing, and the collection keeps the
// matches found before it.
//
// Failures are results: a pattern the engine rejects makes execute() and replace() give
// nothing; writing a property the engine lacks returns false and changes nothing.

#include <atomic>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "pattern/engine_thread.h"

struct pcre2_real_code_16;

namespace kl8 {

class RegexMatches;

// One match of a collection: a view that is valid while its collection lives.
class RegexMatch {
   public:
    // The matched units.
    std::u16string_view value() const;
    // 0-based unit index of the match's first unit in the subject.
    int first_index() const;
    // Number of capture groups of the pattern.
    int submatch_count() const;
    // Group k + 1's capture (k from 0); nothing when k is out of range or the group took no
    // part in the match.
    std::optional<std::u16string_view> submatch(int k) const;
    // 0-based unit index of group k + 1's capture, -1 when submatch(k) gives nothing.
    int submatch_first_index(int k) const;

   private:
    friend class RegexMatches;
    RegexMatch(const RegexMatches* owner, int index) : owner_(owner), index_(index) {}
    const RegexMatches* owner_;
    int index_;
};

// The result of one execute(): the matches in subject order, read by Item(k) from 0. It keeps
// the subject it was run over.
class RegexMatches {
   public:
    RegexMatches(std::shared_ptr<const std::u16string> subject, int group_count)
        : subject_(std::move(subject)), group_count_(group_count) {}

    int count() const { return static_cast<int>(spans_.size() / (2 * pair_count())); }
    // Match k (from 0); nothing outside 0 .. count() - 1.
    std::optional<RegexMatch> item(int k) const;
    const std::u16string& subject() const { return *subject_; }
    int group_count() const { return group_count_; }

   private:
    friend class RegexEngine;
    friend class RegexMatch;
    std::size_t pair_count() const { return static_cast<std::size_t>(group_count_) + 1; }
    std::shared_ptr<const std::u16string> subject_;
    int group_count_;
    // Per match, begin and end units of the whole match and then of each group; -1 for a
    // group that took no part.
    std::vector<int> spans_;
};

// Whether new compilations use PCRE2's JIT when the library has it (on by default). A switch
// for benchmarks and tests; the interpreter and the JIT give the same results.
void set_jit_enabled(bool enabled);
bool jit_enabled();
// Whether this PCRE2 was built with a JIT for this machine.
bool jit_available();

class RegexEngine {
   public:
    // A new engine with IgnoreCase, Multiline and Global false and an empty Pattern. Gives
    // nothing when the thread holds no EngineThread (thread is empty).
    static std::shared_ptr<RegexEngine> create(std::shared_ptr<EngineThread> thread);

    struct Key {
        explicit Key() = default;
    };
    RegexEngine(Key, std::shared_ptr<EngineThread> thread);
    ~RegexEngine();
    RegexEngine(const RegexEngine&) = delete;
    RegexEngine& operator=(const RegexEngine&) = delete;

    // Writes the boolean property "IgnoreCase", "Multiline" or "Global". Any other name is a
    // property the engine lacks: false, and nothing changes.
    bool put_property(std::string_view name, bool value);
    bool ignore_case() const { return ignore_case_; }
    bool multiline() const { return multiline_; }
    bool global() const { return global_; }

    void set_pattern(std::u16string pattern);
    const std::u16string& pattern() const { return pattern_; }

    // Runs the pattern over the whole subject. Nothing when the pattern is rejected.
    std::shared_ptr<const RegexMatches> execute(std::shared_ptr<const std::u16string> subject);

    // The subject with the matches that execute() would find replaced by the replacement, in
    // which "$1".."$99" stand for a group's capture (two digits when the pattern has that many
    // groups, else one digit and a literal one), "$&" for the match, "$`" for the text before
    // it, "$'" for the text after it and "$$" for "$"; any other "$" is literal, and a group
    // that took no part gives the empty text. Nothing when the pattern is rejected.
    std::optional<std::u16string> replace(std::u16string_view subject,
                                          std::u16string_view replacement);

   private:
    // The compiled pattern for the current settings, compiled on first use after a change;
    // nullptr when rejected. Compiled code is shared through a small process-wide cache:
    // the harvest sets the same pattern up for every page.
    const pcre2_real_code_16* compiled();
    template <typename OnMatch>
    bool run(std::u16string_view subject, OnMatch&& on_match);

    std::shared_ptr<EngineThread> thread_;
    bool ignore_case_ = false;
    bool multiline_ = false;
    bool global_ = false;
    std::u16string pattern_;
    bool compiled_current_ = false;
    std::shared_ptr<const pcre2_real_code_16> code_;
    int group_count_ = 0;
};

}  // namespace kl8
