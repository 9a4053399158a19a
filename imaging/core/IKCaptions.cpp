#include "imaging/core/IKCaptions.h"

#include <array>
#include <cstdlib>
#include <cstring>

namespace imaging {

namespace {

constexpr int32_t CaptionsRows = 12;

std::array<std::string, CaptionsRows * IKWordCount>& CaptionsTable() {
    static std::array<std::string, CaptionsRows * IKWordCount> table;
    return table;
}

// Filled once before main; the application may change msUser entries afterwards.
const bool CaptionsFilled = (IKFillWordTable(), true);

const char* const CaptionsEnglish[IKWordCount] = {"Preview",
                                                  "Original",
                                                  "Result",
                                                  "OK",
                                                  "Cancel",
                                                  "Lock preview",
                                                  "Copy Result to Original",
                                                  "Contrast",
                                                  "Brightness",
                                                  "Hue",
                                                  "Saturation",
                                                  "Value",
                                                  "Base color",
                                                  "New color",
                                                  "Luminosity",
                                                  "Red",
                                                  "Green",
                                                  "Blue",
                                                  "Filter values",
                                                  "Presets",
                                                  "Divisor",
                                                  "Load",
                                                  "Save",
                                                  "Equalization",
                                                  "Threshold",
                                                  "Equalize",
                                                  "Histogram",
                                                  "Gray",
                                                  "Light",
                                                  "Left",
                                                  "Top",
                                                  "Width",
                                                  "Height",
                                                  "Color",
                                                  "Original image quantity",
                                                  "Lens",
                                                  "Refraction",
                                                  "Parameters Preview",
                                                  "Quality",
                                                  "DCT method",
                                                  "Smoothing factor",
                                                  "Gray scale",
                                                  "Optimal Huffman",
                                                  "Original size",
                                                  "Compressed size",
                                                  "Advanced",
                                                  "Progressive",
                                                  "Compression",
                                                  "Image index",
                                                  "Photometric",
                                                  "Scanned document info",
                                                  "Name",
                                                  "Description",
                                                  "Page name",
                                                  "Page number",
                                                  "of",
                                                  "Horiz. Position (inch)",
                                                  "Vert. Position (inch)",
                                                  "Colors",
                                                  "Transparent",
                                                  "Transparent color",
                                                  "Interlaced",
                                                  "Background",
                                                  "Horiz. Position",
                                                  "Vert. Position",
                                                  "Delay time",
                                                  "Filter",
                                                  "Wave",
                                                  "Amplitude",
                                                  "Wave length",
                                                  "Phase",
                                                  "Reflective",
                                                  "User filter",
                                                  "Morphing filters",
                                                  "Window size",
                                                  "Maximum",
                                                  "Minimum",
                                                  "Opening",
                                                  "Closing",
                                                  "Rotate",
                                                  "Flip",
                                                  "Horizontal",
                                                  "Vertical",
                                                  "Frequency domain image",
                                                  "Select the region to clean",
                                                  "Clear",
                                                  "Reset",
                                                  "Animate",
                                                  "Load filter",
                                                  "Save filter",
                                                  "Bump map",
                                                  "Print",
                                                  "Margins",
                                                  "inches",
                                                  "Right",
                                                  "Bottom",
                                                  "Position",
                                                  "Size",
                                                  "Normal",
                                                  "Fit to page",
                                                  "Stretch to page",
                                                  "Specified size",
                                                  "Gamma correction",
                                                  "Value",
                                                  "Print Setup",
                                                  "Left Margin",
                                                  "Top Margin",
                                                  "Right Margin",
                                                  "Bottom Margin",
                                                  "Location/size",
                                                  "Top Left",
                                                  "Top Center",
                                                  "Top Right",
                                                  "Center Left",
                                                  "Center",
                                                  "Center Right",
                                                  "Bottom Left",
                                                  "Bottom Center",
                                                  "Bottom Right",
                                                  "Close",
                                                  "Apply",
                                                  "Measure Units",
                                                  "Units",
                                                  "Rate"};

// The rows msItalian..msPolish.
#include "imaging/core/IKCaptionsText.inc"

} // namespace

void IKSetWordText(TMsgLanguage language, uint8_t word, const std::string& text) {
    if (language < msEnglish || language > msUser || word >= IKWordCount)
        return;
    CaptionsTable()[size_t((language - 1) * IKWordCount + word)] = text;
}

int32_t IKUserPrimaryLanguage() {
    const char* names[] = {"LC_ALL", "LC_MESSAGES", "LANG"};
    std::string locale;
    for (const char* n : names)
        if (const char* v = std::getenv(n); v && *v) {
            locale = v;
            break;
        }
    std::string lang = locale.substr(0, locale.find_first_of("_.@"));
    static const struct {
        const char* Code;
        int32_t Id;
    } ids[] = {{"de", 7},  {"el", 8},  {"en", 9},  {"es", 10}, {"fr", 12}, {"it", 16},
               {"nl", 19}, {"pl", 21}, {"pt", 22}, {"ru", 25}, {"sv", 29}};
    for (const auto& e : ids)
        if (lang == e.Code)
            return e.Id;
    return 9;
}

std::string IKGetWordText(uint8_t word, TMsgLanguage language) {
    if (word >= IKWordCount)
        return {};
    const auto& table = CaptionsTable();
    if (language == msSystem) {
        TMsgLanguage row = msEnglish;
        switch (IKUserPrimaryLanguage()) {
        case 7:
            row = msGerman;
            break;
        case 8:
            row = msGreek;
            break;
        case 10:
            row = msSpanish;
            break;
        case 12:
            row = msFrench;
            break;
        case 16:
            row = msItalian;
            break;
        case 19:
            row = msDutch;
            break;
        case 22:
            row = msPortuguese;
            break;
        case 25:
            row = msRussian;
            break;
        default:
            break;
        }
        return table[size_t((row - 1) * IKWordCount + word)];
    }
    if (language > msUser)
        language = msEnglish;
    const std::string& text = table[size_t((language - 1) * IKWordCount + word)];
    return text.empty() ? table[size_t(word)] : text;
}

void IKFillWordTable() {
    (void)CaptionsFilled;
    auto& table = CaptionsTable();
    for (int32_t w = 0; w < IKWordCount; ++w)
        table[size_t(w)] = CaptionsEnglish[w];
    for (int32_t row = msItalian; row <= msPolish; ++row)
        for (int32_t w = 0; w < IKWordCount; ++w)
            table[size_t((row - 1) * IKWordCount + w)] = CaptionsTranslatedRows[row - msItalian][w];
}

} // namespace imaging
