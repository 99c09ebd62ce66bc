#pragma once
// A rows x cols matrix stored column by column and addressed from 1, as the
// system's tables are: element (i, j) is at (j - 1) * rows + (i - 1). Newly
// sized storage is zero-filled, never left uninitialised.
#include <cassert>
#include <cstddef>
#include <vector>

namespace tallyfold {

template <typename T>
class Matrix {
 public:
  Matrix() = default;
  Matrix(int rows, int cols) { resize(rows, cols); }

  void resize(int rows, int cols) {
    rows_ = rows < 0 ? 0 : rows;
    cols_ = cols < 0 ? 0 : cols;
    data_.assign(static_cast<std::size_t>(rows_) * static_cast<std::size_t>(cols_), T{});
  }

  int rows() const { return rows_; }
  int cols() const { return cols_; }
  bool empty() const { return data_.empty(); }

  T& operator()(int i, int j) { return data_[index(i, j)]; }
  const T& operator()(int i, int j) const { return data_[index(i, j)]; }

  T* data() { return data_.data(); }
  const T* data() const { return data_.data(); }
  // Column j (1-based) as contiguous storage of rows() elements.
  T* column(int j) { return data_.data() + index(1, j); }
  const T* column(int j) const { return data_.data() + index(1, j); }

  bool operator==(const Matrix&) const = default;

 private:
  std::size_t index(int i, int j) const {
    assert(i >= 1 && i <= rows_ && j >= 1 && j <= cols_);
    return static_cast<std::size_t>(j - 1) * static_cast<std::size_t>(rows_) + static_cast<std::size_t>(i - 1);
  }

  int rows_ = 0;
  int cols_ = 0;
  std::vector<T> data_;
};

}  // namespace tallyfold
