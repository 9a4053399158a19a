#include "imaging/core/ikutils.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

using namespace imaging;

namespace {

// Sets LC_ALL for one test and restores it afterwards.
class CaptionsLocale {
public:
    explicit CaptionsLocale(const char* value) {
        if (const char* old = std::getenv("LC_ALL"))
            FOld = old;
        ::setenv("LC_ALL", value, 1);
    }
    ~CaptionsLocale() {
        if (FOld)
            ::setenv("LC_ALL", FOld->c_str(), 1);
        else
            ::unsetenv("LC_ALL");
    }

private:
    std::optional<std::string> FOld;
};

} // namespace

TEST(IKCaptions, TellingWordsOfEveryLanguage) {
    struct {
        TMsgLanguage language;
        uint8_t word;
        const char* text;
    } cases[] = {
        {msEnglish, 0, "Preview"},         {msEnglish, 37, "Parameters Preview"},
        {msEnglish, 123, "Rate"},          {msItalian, 2, "Elaborata"},
        {msItalian, 123, "Qualità"},       {msGerman, 1, "Quelle"},
        {msGerman, 119, "Schließen"},      {msSpanish, 3, "Aceptar"},
        {msFrench, 0, "Prévisualisation"}, {msFrench, 3, "Ok"},
        {msPortuguese, 0, "Visualizar"},   {msGreek, 0, "Προεπισκόπηση"},
        {msGreek, 120, "Apply"},           {msRussian, 4, "Отмена"},
        {msRussian, 119, "Close"},         {msDutch, 120, "Toepassen"},
        {msSwedish, 119, "Stäng"},         {msPolish, 1, "Źródło"},
        {msPolish, 123, "Rate"},           {msGerman, 123, "Rate"},
        {msGerman, 31, "Breite"},          {msItalian, 119, "Chiudi"},
        {msSwedish, 0, "Granska"},         {msDutch, 1, "Origineel"},
    };
    for (auto c : cases)
        EXPECT_EQ(IKGetWordText(c.word, c.language), c.text) << int(c.language) << "/" << int(c.word);
    for (int w = 0; w < IKWordCount; ++w)
        for (int l = msEnglish; l <= msPolish; ++l)
            EXPECT_FALSE(IKGetWordText(uint8_t(w), TMsgLanguage(l)).empty()) << l << "/" << w;
    EXPECT_EQ(IKGetWordText(124, msEnglish), "");
}

TEST(IKCaptions, UserRowFallsBackToEnglish) {
    EXPECT_EQ(IKGetWordText(4, msUser), "Cancel");
    IKSetWordText(msUser, 4, "Abort");
    EXPECT_EQ(IKGetWordText(4, msUser), "Abort");
    IKSetWordText(msUser, 4, "");
    EXPECT_EQ(IKGetWordText(4, msUser), "Cancel");
    IKSetWordText(msSystem, 4, "ignored");
    IKSetWordText(msUser, 200, "ignored");
    EXPECT_EQ(IKGetWordText(4, msEnglish), "Cancel");
}

TEST(IKCaptions, SystemLanguageFollowsTheUserLocale) {
    struct {
        const char* locale;
        int32_t id;
        const char* preview;
    } cases[] = {{"de_DE.UTF-8", 7, "Vorschau"},
                 {"el_GR.UTF-8", 8, "Προεπισκόπηση"},
                 {"fr_CA", 12, "Prévisualisation"},
                 {"ru_RU.UTF-8", 25, "Просмотр"},
                 {"sv_SE.UTF-8", 29, "Preview"},
                 {"pl_PL.UTF-8", 21, "Preview"},
                 {"C", 9, "Preview"},
                 {"ja_JP.UTF-8", 9, "Preview"}};
    for (auto c : cases) {
        CaptionsLocale locale(c.locale);
        EXPECT_EQ(IKUserPrimaryLanguage(), c.id) << c.locale;
        EXPECT_EQ(IKGetWordText(0, msSystem), c.preview) << c.locale;
    }
}
