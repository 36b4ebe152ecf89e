#pragma once
// The larger demo: more students in the demo's classes, so that load and
// size benchmarks (and anyone trying the server with a big exam) have
// tens of thousands of written answers to hand out.

#include <cstdint>

namespace velmora {

class Store;

// Adds `students` students to the demo's three classes, each sitting both
// subjects with objective answers and one written answer per subjective
// question (ten written answers a student). Their answer images are the
// demo's own: each new student shares the pictures of the demo student in
// the same class and seat. Only once, and only on a store seed_demo filled;
// returns whether it added any.
bool seed_demo_students(Store& store, int students);

}  // namespace velmora
