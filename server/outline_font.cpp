#include "outline_font.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

namespace velmora {

struct OutlineFont::Library {
    FT_Library ft = nullptr;
    Library() { FT_Init_FreeType(&ft); }
    ~Library()
    {
        if (ft) FT_Done_FreeType(ft);
    }
};

namespace {

struct Decompose {
    QPainterPath* path;
    double scale;
    QPointF at(const FT_Vector* v) const { return {v->x * scale, -v->y * scale}; }
};

int move_to(const FT_Vector* to, void* user)
{
    auto* d = static_cast<Decompose*>(user);
    d->path->moveTo(d->at(to));
    return 0;
}

int line_to(const FT_Vector* to, void* user)
{
    auto* d = static_cast<Decompose*>(user);
    d->path->lineTo(d->at(to));
    return 0;
}

int conic_to(const FT_Vector* control, const FT_Vector* to, void* user)
{
    auto* d = static_cast<Decompose*>(user);
    d->path->quadTo(d->at(control), d->at(to));
    return 0;
}

int cubic_to(const FT_Vector* c1, const FT_Vector* c2, const FT_Vector* to, void* user)
{
    auto* d = static_cast<Decompose*>(user);
    d->path->cubicTo(d->at(c1), d->at(c2), d->at(to));
    return 0;
}

}  // namespace

OutlineFont::OutlineFont(const std::vector<Candidate>& candidates) : lib_(std::make_unique<Library>())
{
    if (!lib_->ft) return;
    for (const Candidate& c : candidates) {
        FT_Face probe = nullptr;
        if (FT_New_Face(lib_->ft, c.file.c_str(), -1, &probe) != 0) continue;
        const FT_Long faces = probe->num_faces;
        FT_Done_Face(probe);
        FT_Face chosen = nullptr;
        for (FT_Long i = 0; i < faces && !chosen; ++i) {
            FT_Face f = nullptr;
            if (FT_New_Face(lib_->ft, c.file.c_str(), i, &f) != 0) continue;
            if (f->family_name && std::string(f->family_name).rfind(c.family, 0) == 0 && FT_IS_SCALABLE(f))
                chosen = f;
            else
                FT_Done_Face(f);
        }
        if (!chosen && FT_New_Face(lib_->ft, c.file.c_str(), 0, &chosen) != 0) chosen = nullptr;
        if (chosen && FT_IS_SCALABLE(chosen)) {
            face_ = chosen;
            family_ = QString::fromUtf8(chosen->family_name ? chosen->family_name : "");
            return;
        }
        if (chosen) FT_Done_Face(chosen);
    }
}

OutlineFont::~OutlineFont()
{
    cache_.clear();
    if (face_) FT_Done_Face(static_cast<FT_Face>(face_));
}

const OutlineFont::Glyph* OutlineFont::glyph(char32_t c)
{
    if (!face_) return nullptr;
    std::lock_guard lock(mutex_);
    if (auto it = cache_.find(c); it != cache_.end()) return it->second.get();
    auto face = static_cast<FT_Face>(face_);
    std::unique_ptr<Glyph> g;
    const FT_UInt index = FT_Get_Char_Index(face, FT_ULong(c));
    // Unscaled: the outline in font units, never an embedded bitmap.
    if (index != 0 && FT_Load_Glyph(face, index, FT_LOAD_NO_SCALE) == 0
        && face->glyph->format == FT_GLYPH_FORMAT_OUTLINE) {
        g = std::make_unique<Glyph>();
        Decompose d{&g->path, 1.0 / face->units_per_EM};
        const FT_Outline_Funcs funcs{move_to, line_to, conic_to, cubic_to, 0, 0};
        FT_Outline_Decompose(&face->glyph->outline, &funcs, &d);
        g->path.setFillRule(Qt::WindingFill);
        g->advance = double(face->glyph->metrics.horiAdvance) / face->units_per_EM;
    }
    return cache_.emplace(c, std::move(g)).first->second.get();
}

OutlineFont& hand_font()
{
    static OutlineFont font({{"/usr/share/fonts/truetype/arphic/ukai.ttc", "AR PL UKai CN"},
                             {"/usr/share/fonts/opentype/noto/NotoSerifCJK-Regular.ttc", "Noto Serif CJK SC"},
                             {"/usr/share/fonts/opentype/noto/NotoSansCJK-Regular.ttc", "Noto Sans CJK SC"}});
    return font;
}

OutlineFont& print_font()
{
    static OutlineFont font({{"/usr/share/fonts/opentype/noto/NotoSansCJK-Regular.ttc", "Noto Sans CJK SC"},
                             {"/usr/share/fonts/opentype/noto/NotoSerifCJK-Regular.ttc", "Noto Serif CJK SC"},
                             {"/usr/share/fonts/truetype/arphic/ukai.ttc", "AR PL UKai CN"}});
    return font;
}

}  // namespace velmora
