// Which font file draws a face: fontconfig asked for the face, its stand-in or a face of its kind.
#include <fontconfig/fontconfig.h>

#include <cstdlib>

#include "render/fonts.h"

namespace {

FcConfig* config = nullptr;

struct Match {
    std::string file;
    int index = 0;
    bool family_found = false;
};

bool MatchFamily(const char* family, bool bold, const char* language, Match& match) {
    FcPattern* pattern = FcPatternCreate();
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family));
    FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern, FC_SLANT, FC_SLANT_ROMAN);
    // Outlines only: every glyph is stretched to its own x and y scale.
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    if (language) {
        FcPatternAddString(pattern, FC_LANG, reinterpret_cast<const FcChar8*>(language));
    }
    FcConfigSubstitute(config, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* found = FcFontMatch(config, pattern, &result);
    FcPatternDestroy(pattern);
    if (!found) {
        return false;
    }
    FcChar8* path = nullptr;
    bool ok = FcPatternGetString(found, FC_FILE, 0, &path) == FcResultMatch;
    if (ok) {
        match.file = reinterpret_cast<const char*>(path);
        match.index = 0;
        FcPatternGetInteger(found, FC_INDEX, 0, &match.index);
        match.family_found = false;
        FcChar8* name = nullptr;
        for (int i = 0; FcPatternGetString(found, FC_FAMILY, i, &name) == FcResultMatch; ++i) {
            if (FcStrCmpIgnoreCase(name, reinterpret_cast<const FcChar8*>(family)) == 0) {
                match.family_found = true;
                break;
            }
        }
    }
    FcPatternDestroy(found);
    return ok;
}

}  // namespace

bool FindFace(const std::string& name, bool bold, FaceChoice& choice) {
    if (!config) {
        // Fontconfig's own caches go at exit too, so a leak checker sees
        // nothing left.
        static const bool registered = std::atexit([] {
                                           ReleaseFaceLookup();
                                           FcFini();
                                       }) == 0;
        (void)registered;
        config = FcInitLoadConfigAndFonts();
        if (!config) {
            return false;
        }
    }
    Match own;
    const bool matched = MatchFamily(name.c_str(), bold, nullptr, own);
    if (matched && own.family_found) {
        choice = {own.file, own.index, false};
        return true;
    }
    if (const StandIn* stand_in = FindStandIn(name)) {
        Match match;
        if (MatchFamily(stand_in->family, bold, nullptr, match) && match.family_found) {
            choice = {match.file, match.index, stand_in->lowercase_average};
            return true;
        }
        if (MatchFamily(stand_in->generic, bold, stand_in->language, match)) {
            choice = {match.file, match.index, false};
            return true;
        }
    }
    if (matched) {
        choice = {own.file, own.index, false};
        return true;
    }
    return false;
}

void ReleaseFaceLookup() {
    if (config) {
        FcConfigDestroy(config);
        config = nullptr;
    }
}
