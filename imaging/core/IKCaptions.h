// The multilingual caption table of the imaging library's dialogs: 124 words in 12 languages.
#pragma once

#include <cstdint>
#include <string>

namespace imaging {

enum TMsgLanguage : uint8_t {
    msSystem = 0,
    msEnglish,
    msItalian,
    msGerman,
    msSpanish,
    msFrench,
    msPortuguese,
    msGreek,
    msRussian,
    msDutch,
    msSwedish,
    msPolish,
    msUser
};

constexpr int32_t IKWordCount = 124;

// Stores the caption of word for language (msEnglish..msUser, word below IKWordCount; others are ignored).
void IKSetWordText(TMsgLanguage language, uint8_t word, const std::string& text);
// The caption to show: the language's entry, or the English one where that is empty; msSystem picks the
// row from the user's locale.
std::string IKGetWordText(uint8_t word, TMsgLanguage language);
// Fills the eleven built-in rows (msUser stays as the application left it). Runs once at start-up.
void IKFillWordTable();
// The Windows primary language identifier of the user's locale (German 7, Greek 8, English 9 ...), from the
// environment's LC_ALL, LC_MESSAGES or LANG; 9 when none is set.
int32_t IKUserPrimaryLanguage();

} // namespace imaging
