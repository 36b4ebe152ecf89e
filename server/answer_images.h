#pragma once
// Demo answer images: a scanned strip of an answer sheet, 800 pixels wide
// and as tall as the question's answer box, with the question printed at
// the top, the candidate number in its box, and the student's answer
// written by hand below (answer_content.h says what they wrote). Drawn
// from font outlines (outline_font.h), so no GUI is needed.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace velmora {

class Store;

// JPEG bytes of the answer of candidate `kh` to question `th` of the demo
// subject `subject`; the same inputs always give the same picture.
std::string render_answer_jpeg(std::int64_t subject, const std::string& kh, const std::string& th, double full_mark);

// Renders into `file` (folders created; written under a temporary name and
// renamed, so a concurrent reader never sees half a file).
bool write_answer_image(const std::filesystem::path& file, std::int64_t subject, const std::string& kh,
                        const std::string& th, double full_mark);

// Writes image bytes the same way; false for no bytes.
bool write_image_file(const std::filesystem::path& file, const std::string& bytes);
// The whole file into `out`; false when it cannot be opened.
bool read_image_file(const std::filesystem::path& file, std::string& out);

// Whether the store holds demo answers whose images may be drawn on demand.
bool demo_images_enabled(Store& store);

// Image replies encoded once: the reply text of an answer image file (its
// base64 and the end marker) is kept while the file keeps its size and
// modification time, up to about 64 MB in all, the least used going first.
// Encoding a picture again for every request cost more than all the SQL.
std::optional<std::string> cached_image_reply(const std::filesystem::path& file);
void keep_image_reply(const std::filesystem::path& file, const std::string& text);

}  // namespace velmora
