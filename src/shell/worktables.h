// Large shared work tables, declared once. Each takes memory only when first
// written, so an idle program holds none of them.
#pragma once
#include <cstdint>
#include <memory>
#include <vector>

// rows x cols floats, zero until written. Tables with long rows allocate row
// by row (ParseArray is 65 rows of 400,001 floats but a compaction of three
// channels touches six of them).
class LazyTable {
 public:
  LazyTable(int rows, int cols, bool byRow);
  int rows() const { return rows_; }
  int cols() const { return cols_; }
  // 0 for an untouched cell or an index outside the table.
  float get(int r, int c) const;
  // Allocates on first use. An index outside the table (or a failed
  // allocation) yields a sink whose writes are discarded.
  float& operator()(int r, int c);
  // The row's cols floats, allocated on demand; nullptr outside the table or
  // when memory runs out.
  float* row(int r);
  bool holdsMemory() const;
  int64_t heldBytes() const;
  void release();

 private:
  int rows_, cols_;
  bool byRow_;
  std::vector<std::unique_ptr<float[]>> rowData_;  // byRow_: one per row
  std::unique_ptr<float[]> whole_;                  // otherwise
  float sink_ = 0.0f;
};

extern LazyTable BLarray;      // 32,302 x 6
extern LazyTable peakval;      // 5 x 200,001
extern LazyTable ParseArray;   // 65 x 400,001: row c means, row c + 32 SDs
// Element 0: cases per group of the compaction in force, 0 none; element 1:
// the entries of ParseArray that compaction wrote (nothing beyond is drawn or
// saved, whatever the file holds now).
extern int32_t parse[2];
// Per channel 1..32, elements 1..7: result scaling (1 op, 2 factor, 3
// offset) and plot scale (4 mode, 5 min, 6 max). Shared by all files.
extern float scalefact[33][8];
// 52 script steps of 28 fields, numbered from 0 as stored.
extern float ScriptSequenceArray[52][28];

// Frees every lazily allocated table.
void ReleaseWorkTables();
