// A transform's variables block: its field layout from the type string, the bounded copies behind
// bGetXfmData / bSetXfmData / SetXfmVar, and the text form in which the host keeps the block in section
// "Profile" of the settings file between sessions (fields in type-string order joined by commas).
//
// Text form per letter (either case): b "%ld" of the low 16 bits only (reading clears the high half);
// c "%d"; d "%lg"; f "%g"; g the point count then x,y of each point; h nothing (skipped); i "%d"; l "%ld";
// s the text (at most 255 characters) with every comma as the byte 140.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace xfmhost {

struct VarField {
  char type = 0;  // lower case
  uint32_t offset = 0;
  uint32_t size = 0;
};
// The fields of a type string in block order (letters that are no type are left out).
std::vector<VarField> fieldLayout(const char* types);

// bGetXfmData / bSetXfmData: copy length bytes at offset (both 16-bit, as the exports take them) out of or
// into a block of blockSize bytes. False, copying nothing, when the range does not lie inside the block.
bool blockRead(const uint8_t* block, size_t blockSize, void* destination, uint32_t offset, uint32_t length);
bool blockWrite(uint8_t* block, size_t blockSize, const void* source, uint32_t offset, uint32_t length);

// The 15 handles for nested use (1..15), each an open transform; 0 = none free.
class NestedSlots {
 public:
  static constexpr int kSlots = 15;
  int claim();
  void release(int handle);
  bool used(int handle) const { return handle >= 1 && handle <= kSlots && used_[handle - 1]; }

 private:
  bool used_[kSlots] = {};
};

// Graph points as the graph service keeps them (16-bit values in 32-bit integers).
struct GraphPoint {
  int32_t x = 0;
  int32_t y = 0;
  bool operator==(const GraphPoint& o) const { return x == o.x && y == o.y; }
};
constexpr int kMinGraphPoints = 2;
constexpr int kMaxGraphPoints = 69;
// 2..69 points with x strictly increasing.
bool graphPointsValid(const std::vector<GraphPoint>& points);
// Script reads: when the first or last x differs from the graph's x range, every x is multiplied by
// (xmax - xmin) / (last x - first x) in integer arithmetic. False, leaving the points as they were, when
// that denominator is 0 or the result is not strictly increasing.
bool rescaleGraphX(std::vector<GraphPoint>* points, int32_t xmin, int32_t xmax);

// The graphs the block refers to by handle ('g' fields).
class GraphStore {
 public:
  virtual ~GraphStore() = default;
  virtual bool points(uint16_t handle, std::vector<GraphPoint>* points) const = 0;
  virtual bool setPoints(uint16_t handle, const std::vector<GraphPoint>& points) = 0;
};

// The byte 140 that stands for a comma inside a text field.
constexpr char kCommaStandIn = char(140);
constexpr size_t kMaxProfileChars = 65536;
// The buffer (characters, terminator included) that holds the longest text form of a block of this type
// string, at least 1024 and at most kMaxProfileChars.
size_t profileBufferChars(const char* types);

// The text form of a block; graphs may be null (a 'g' field is then written as an empty graph "0").
std::string encodeProfile(const char* types, const uint8_t* block, size_t blockSize,
                          const GraphStore* graphs);

struct ProfileRead {
  size_t fieldsRead = 0;      // variables set from the text
  bool complete = false;      // every variable of the type string was read
  size_t graphsRejected = 0;  // graphs left as they were (bad count or x not increasing)
};
// Reads a text form into the block: variables in type-string order until the text ends or a field does not
// read, the rest keeping their values. A graph whose count is negative or above 69 ends the reading (its
// fields cannot be told from the next ones); one with fewer than 2 points or x not strictly increasing is
// skipped and keeps its points.
ProfileRead decodeProfile(const std::string& text, const char* types, uint8_t* block, size_t blockSize,
                          GraphStore* graphs);

}  // namespace xfmhost
