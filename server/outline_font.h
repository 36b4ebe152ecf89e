#pragma once
// Glyph outlines read straight from a font file with FreeType. The server
// draws demo answer images in worker threads and has no GUI application,
// which Qt's own text drawing needs; outlines are plain paths.

#include <QPainterPath>
#include <QString>

#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

namespace velmora {

class OutlineFont {
public:
    // A font file and the face in it to use: the first face whose family
    // name starts with `family` (a collection holds several), else face 0.
    struct Candidate {
        std::string file;
        std::string family;
    };

    // The first candidate that loads; none loaded when ok() is false.
    explicit OutlineFont(const std::vector<Candidate>& candidates);
    ~OutlineFont();
    OutlineFont(const OutlineFont&) = delete;
    OutlineFont& operator=(const OutlineFont&) = delete;

    bool ok() const { return face_ != nullptr; }
    QString family() const { return family_; }

    // A character's outline for a 1-unit em, y down, the baseline at 0, and
    // its advance; nullptr when the font has no such character. Safe from
    // any thread; the glyph lives as long as the font.
    struct Glyph {
        QPainterPath path;
        double advance = 0;
    };
    const Glyph* glyph(char32_t c);

private:
    struct Library;
    std::unique_ptr<Library> lib_;
    void* face_ = nullptr;  // FT_Face, kept out of the header
    QString family_;
    std::mutex mutex_;
    std::unordered_map<char32_t, std::unique_ptr<Glyph>> cache_;
};

// The handwriting face (a Kai face, as pupils' writing looks) and the face
// questions are printed in; each falls back to the other CJK faces Debian
// installs. Loaded once, on first use.
OutlineFont& hand_font();
OutlineFont& print_font();

}  // namespace velmora
