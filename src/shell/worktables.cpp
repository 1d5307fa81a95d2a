#include "shell/worktables.h"

#include <new>

LazyTable::LazyTable(int rows, int cols, bool byRow) : rows_(rows), cols_(cols), byRow_(byRow) {}

float LazyTable::get(int r, int c) const {
  if (r < 0 || r >= rows_ || c < 0 || c >= cols_) return 0.0f;
  if (byRow_) {
    if (rowData_.empty() || !rowData_[static_cast<size_t>(r)]) return 0.0f;
    return rowData_[static_cast<size_t>(r)][static_cast<size_t>(c)];
  }
  return whole_ ? whole_[static_cast<size_t>(r) * cols_ + c] : 0.0f;
}

float* LazyTable::row(int r) {
  if (r < 0 || r >= rows_) return nullptr;
  if (byRow_) {
    if (rowData_.empty()) rowData_.resize(static_cast<size_t>(rows_));
    auto& p = rowData_[static_cast<size_t>(r)];
    if (!p) p.reset(new (std::nothrow) float[static_cast<size_t>(cols_)]());
    return p.get();
  }
  if (!whole_) whole_.reset(new (std::nothrow) float[static_cast<size_t>(rows_) * cols_]());
  return whole_ ? whole_.get() + static_cast<size_t>(r) * cols_ : nullptr;
}

float& LazyTable::operator()(int r, int c) {
  if (c >= 0 && c < cols_) {
    if (float* p = row(r)) return p[c];
  }
  sink_ = 0.0f;
  return sink_;
}

bool LazyTable::holdsMemory() const { return heldBytes() > 0; }

int64_t LazyTable::heldBytes() const {
  int64_t rowsHeld = 0;
  if (byRow_) {
    for (const auto& p : rowData_) rowsHeld += p ? 1 : 0;
  } else if (whole_) {
    rowsHeld = rows_;
  }
  return rowsHeld * cols_ * static_cast<int64_t>(sizeof(float));
}

void LazyTable::release() {
  rowData_.clear();
  rowData_.shrink_to_fit();
  whole_.reset();
}

LazyTable BLarray(32302, 6, false);
LazyTable peakval(5, 200001, true);
LazyTable ParseArray(65, 400001, true);
int32_t parse[2] = {};
float scalefact[33][8] = {};
float ScriptSequenceArray[52][28] = {};

void ReleaseWorkTables() {
  BLarray.release();
  peakval.release();
  ParseArray.release();
}
