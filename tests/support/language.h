// Sets the language of the messages for one scope and puts the old one back.
#pragma once

#include "base/messages.h"

namespace morvex::test {

class LanguageScope {
public:
    explicit LanguageScope(bool english) : old_(IsEnglish()) { SetEnglish(english); }
    ~LanguageScope() { SetEnglish(old_); }
    LanguageScope(const LanguageScope&) = delete;
    LanguageScope& operator=(const LanguageScope&) = delete;

private:
    bool old_;
};

}  // namespace morvex::test
