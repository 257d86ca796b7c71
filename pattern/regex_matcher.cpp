#include "pattern/regex_matcher.h"

#include "foundation/codepage.h"
#include "foundation/gbk_literals.h"

namespace kl8 {

RegexMatcher::RegexMatcher() : thread_(EngineThread::enter()) {}

RegexMatcher::~RegexMatcher() { destroy(); }

RegexMatcher::RegexMatcher(RegexMatcher&& other) noexcept = default;
RegexMatcher& RegexMatcher::operator=(RegexMatcher&& other) noexcept {
    if (this != &other) {
        destroy();
        thread_ = std::move(other.thread_);
        regexp_ = std::move(other.regexp_);
        matches_ = std::move(other.matches_);
        subject_ = std::move(other.subject_);
    }
    return *this;
}

void RegexMatcher::destroy() {
    // Engine and matches first, the thread hold last: the engine's compiled code and the
    // environment it matched with go before the environment itself may.
    regexp_.reset();
    matches_.reset();
    subject_.reset();
    thread_.reset();
}

RegexMatcher RegexMatcher::copy() const {
    RegexMatcher twin;
    twin.regexp_ = regexp_;
    twin.matches_ = matches_;
    twin.subject_ = subject_;
    return twin;
}

bool RegexMatcher::create(const Text& pattern, const Text& subject,
                          std::optional<bool> case_sensitive, std::optional<bool> multiline,
                          std::optional<bool> global, std::optional<bool> quote_marker) {
    const bool ignore_case = !case_sensitive.value_or(false);
    regexp_.reset();
    matches_.reset();
    regexp_ = RegexEngine::create(thread_);
    if (regexp_) {
        regexp_->put_property("IgnoreCase", ignore_case);
        regexp_->put_property("Multiline", multiline.value_or(true));
        // The engine has no Singleline: "." never crosses a line feed. The write is refused
        // and, like every property write here, its result is not looked at.
        regexp_->put_property("Singleline", true);
        regexp_->put_property("Global", global.value_or(true));
        const Text effective = quote_marker.value_or(false)
                                   ? replace_text(pattern, Text(gbk::QUOTE_MARKER), Text("\""),
                                                  /*case_sensitive=*/true)
                                   : pattern;
        regexp_->set_pattern(text_to_u16(effective));
    }
    subject_ = std::make_shared<const std::u16string>(text_to_u16(subject));
    if (regexp_) matches_ = regexp_->execute(subject_);
    return matches_ != nullptr;
}

void RegexMatcher::noop() {}

Text RegexMatcher::pattern_text() const {
    if (!regexp_) return Text();
    return u16_to_text(regexp_->pattern());
}

Text RegexMatcher::replace(const std::optional<Text>& replacement) {
    if (!regexp_) return Text();
    const std::u16string units = text_to_u16(replacement.value_or(Text()));
    const std::u16string_view subject = subject_ ? std::u16string_view(*subject_) : u"";
    const std::optional<std::u16string> replaced = regexp_->replace(subject, units);
    return replaced ? u16_to_text(*replaced) : Text();
}

int RegexMatcher::match_count() const { return matches_ ? matches_->count() : 0; }

int RegexMatcher::byte_offset(int unit_index) const {
    // Code page 936 is stateless, so the bytes before a unit are the conversion of the units
    // before it.
    return u16_to_text(std::u16string_view(*subject_).substr(0, unit_index)).length();
}

int RegexMatcher::missing_position() const { return subject_ && !subject_->empty() ? 0 : -2; }

Text RegexMatcher::match_text(int match_index, int* position) const {
    const std::optional<RegexMatch> match =
        matches_ ? matches_->item(match_index - 1) : std::nullopt;
    if (!match) {
        if (position) *position = missing_position();
        return Text();
    }
    if (position) *position = byte_offset(match->first_index());
    return u16_to_text(match->value());
}

Text RegexMatcher::submatch_text(int match_index, int submatch_index, int* position) const {
    const std::optional<RegexMatch> match =
        matches_ ? matches_->item(match_index - 1) : std::nullopt;
    const std::optional<std::u16string_view> capture =
        match ? match->submatch(submatch_index - 1) : std::nullopt;
    if (!capture) {
        if (position) *position = missing_position();
        return Text();
    }
    if (position) *position = byte_offset(match->submatch_first_index(submatch_index - 1));
    return u16_to_text(*capture);
}

int RegexMatcher::submatch_count() const {
    const std::optional<RegexMatch> first = matches_ ? matches_->item(0) : std::nullopt;
    return first ? first->submatch_count() : 0;
}

Bytes text_to_utf16(const Text& t) {
    const std::u16string units = text_to_u16(t);
    return Bytes(units.data(), units.size() * sizeof(char16_t));
}

Text utf16_to_text(const Bytes& b) {
    std::u16string units(b.size() / 2, u'\0');
    for (std::size_t i = 0; i < units.size(); ++i)
        units[i] = static_cast<char16_t>(b.data()[2 * i] | (b.data()[2 * i + 1] << 8));
    return u16_to_text(units);
}

}  // namespace kl8
