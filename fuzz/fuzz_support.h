#pragma once
// What every fuzz target shares: a headless Qt application, prompts that answer without a
// window, error reports kept quiet (a finding is a crash or a sanitizer report, never a
// message), a scratch folder on a memory file system, and small readers over the input bytes.
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstddef>
#include <cstdint>

namespace fuzz {

// Once per process, from LLVMFuzzerInitialize.
void Start(int* argc, char*** argv);

// The process's scratch folder, ending in '/'.
QString Scratch_Folder();
// Replaces the named scratch file by `bytes` and returns its path.
QString Write_Scratch(const QString& name, const char* data, size_t size);
void Remove_Scratch(const QString& name);

// Error reports since the last call.
int32_t Take_Error_Reports();
// The texts of the message boxes shown since the last call.
QStringList Take_Messages();

// Stops the run when an invariant of the code under test does not hold.
[[noreturn]] void Violated(const char* what);
inline void Check(bool holds, const char* what) {
  if (!holds) Violated(what);
}

// Like Check, for two lists of values that must be equal: the first difference is printed.
void Check_Same(const QStringList& expected, const QStringList& actual, const char* what);
void Check_Same(const QByteArray& expected, const QByteArray& actual, const char* what);

// Takes fixed-size values off the front of the input; past its end every value is 0.
class Input {
public:
  Input(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  uint8_t Byte() { return at_ < size_ ? data_[at_++] : 0; }
  uint16_t U16() { return static_cast<uint16_t>(Byte() | (Byte() << 8)); }
  uint32_t U32() { return static_cast<uint32_t>(U16()) | (static_cast<uint32_t>(U16()) << 16); }
  // `low`..`high` inclusive, from as few bytes as the span needs.
  int32_t Range(int32_t low, int32_t high);
  const uint8_t* Rest() const { return data_ + at_; }
  size_t Rest_Size() const { return size_ - at_; }
  QByteArray Rest_Bytes() const {
    return QByteArray(reinterpret_cast<const char*>(Rest()), static_cast<qsizetype>(Rest_Size()));
  }

private:
  const uint8_t* data_;
  size_t size_;
  size_t at_ = 0;
};

// Builds inputs that Input reads back as the values put: for the seed corpus.
class Input_Builder {
public:
  void Byte(uint8_t value) { bytes_.append(static_cast<char>(value)); }
  void U16(uint16_t value) {
    Byte(static_cast<uint8_t>(value & 0xFF));
    Byte(static_cast<uint8_t>(value >> 8));
  }
  void Range(int32_t low, int32_t high, int32_t value);
  void Append(const QByteArray& bytes) { bytes_ += bytes; }
  const QByteArray& Bytes() const { return bytes_; }

private:
  QByteArray bytes_;
};

} // namespace fuzz
