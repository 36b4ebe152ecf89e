#pragma once
// Demo answer images: a scanned strip of an answer sheet, about 800x250,
// with the candidate number printed in its header box and handwriting-like
// strokes below. Drawn with paths only, so no font and no GUI are needed.

#include <filesystem>
#include <string>

namespace velmora {

class Store;

// JPEG bytes of the answer of candidate `kh` to question `th`; the same
// inputs always give the same picture.
std::string render_answer_jpeg(const std::string& kh, const std::string& th, double full_mark);

// Renders into `file` (folders created; written under a temporary name and
// renamed, so a concurrent reader never sees half a file).
bool write_answer_image(const std::filesystem::path& file, const std::string& kh, const std::string& th,
                        double full_mark);

// Whether the store holds demo answers whose images may be drawn on demand.
bool demo_images_enabled(Store& store);

}  // namespace velmora
