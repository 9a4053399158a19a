// The control set's colour routines on the command line, for checks against other implementations. Reads
// lines from standard input and prints one answer line for each:
//
//     hsl R G B     ->  H S L      (ColorToHSL240 of the colour with those channels)
//     rgb H S L     ->  R G B      (HSL240ToColor)
//     blend C1 C2 W ->  R G B      (BlendColors; colours as numbers, red in the low byte, 0x... allowed)
//     spin V D      ->  TEXT       (the text a spin edit's SetValue gives for V with D decimals, 0 to 18,
//                                   when no range clamps it; V a finite number with '.' as its point)
//
// Empty lines and lines starting with '#' are skipped; a line that cannot be read prints "error" and makes
// the exit status 1.
#include "controls/FcGraphics.h"
#include "controls/FcSpinEdit.h"

#include <cmath>
#include <cstdlib>

#include <cstdio>
#include <iostream>
#include <sstream>
#include <string>

namespace {

bool FcReadNumber(std::istringstream& in, long long lo, long long hi, long long* value) {
    std::string word;
    if (!(in >> word))
        return false;
    try {
        size_t used = 0;
        long long v = std::stoll(word, &used, 0);
        if (used != word.size() || v < lo || v > hi)
            return false;
        *value = v;
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

// A finite number in the C grammar, the whole word.
bool FcReadDouble(std::istringstream& in, double* value) {
    std::string word;
    if (!(in >> word))
        return false;
    char* end = nullptr;
    const double v = std::strtod(word.c_str(), &end);
    if (end != word.c_str() + word.size() || !std::isfinite(v))
        return false;
    *value = v;
    return true;
}

void FcPrintColor(controls::TColor c) { std::printf("%d %d %d\n", c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF); }

} // namespace

int main() {
    int status = 0;
    std::string line;
    while (std::getline(std::cin, line)) {
        std::istringstream in(line);
        std::string op;
        if (!(in >> op) || op[0] == '#')
            continue;
        long long a = 0, b = 0, c = 0;
        bool ok = false;
        if (op == "hsl" && FcReadNumber(in, 0, 255, &a) && FcReadNumber(in, 0, 255, &b) &&
            FcReadNumber(in, 0, 255, &c)) {
            controls::THSL240 hsl = controls::ColorToHSL240(controls::TColor(a | (b << 8) | (c << 16)));
            std::printf("%d %d %d\n", hsl.H, hsl.S, hsl.L);
            ok = true;
        } else if (op == "rgb" && FcReadNumber(in, 0, 255, &a) && FcReadNumber(in, 0, 255, &b) &&
                   FcReadNumber(in, 0, 255, &c)) {
            FcPrintColor(controls::HSL240ToColor(uint8_t(a), uint8_t(b), uint8_t(c)));
            ok = true;
        } else if (op == "blend" && FcReadNumber(in, 0, 0xFFFFFF, &a) && FcReadNumber(in, 0, 0xFFFFFF, &b) &&
                   FcReadNumber(in, 0, 255, &c)) {
            FcPrintColor(controls::BlendColors(controls::TColor(a), controls::TColor(b), uint8_t(c)));
            ok = true;
        } else if (double v = 0; op == "spin" && FcReadDouble(in, &v) && FcReadNumber(in, 0, 18, &a)) {
            std::printf("%s\n", controls::FormatSpinValue(v, uint8_t(a)).c_str());
            ok = true;
        }
        if (!ok) {
            std::printf("error\n");
            status = 1;
        }
    }
    return status;
}
