// TNewProgressBar: a progress bar whose range and position are signed 32-bit
// numbers whatever the native control can hold. A native control with a
// 32-bit range takes them as they are; one that knows only 0..65535 gets
// every position scaled into that range while the bar keeps the full range
// itself. The bar keeps range and position before its native control exists
// and hands them over when it is created.
#pragma once

#include <QWidget>
#include <cstdint>

class QProgressBar;

namespace controls {

// Messages of the native progress control.
inline constexpr unsigned kPbmSetRange = 1025;
inline constexpr unsigned kPbmSetPos = 1026;
inline constexpr unsigned kPbmSetRange32 = 1030;
inline constexpr unsigned kPbmGetRange = 1031;
inline constexpr unsigned kPbmGetPos = 1032;

class TNewProgressBar : public QWidget {
  Q_OBJECT
 public:
  // Qt's progress bar holds an int range, so the program passes true; false
  // gives the 16-bit path.
  explicit TNewProgressBar(QWidget* owner = nullptr, bool has_32bit_range = true);

  int32_t Min() const;
  void SetMin(int32_t v) { SetRange(v, max_); }
  int32_t Max() const;
  void SetMax(int32_t v) { SetRange(min_, v); }
  int32_t Position() const;
  void SetPosition(int32_t p);
  // Throws EInvalidOperation when new_max < new_min, and Exception when a
  // bound is negative on the 16-bit path; nothing changes then.
  void SetRange(int32_t new_min, int32_t new_max);

  bool Has32BitRange() const { return has_32bit_range_; }
  bool HandleAllocated() const { return native_ != nullptr; }
  // Creates the native control now if it does not exist yet.
  void HandleNeeded();
  // The native control, or null before it exists.
  QProgressBar* Native() const { return native_; }

 protected:
  // Delivers one message to the native control and returns its answer.
  virtual intptr_t Perform(unsigned msg, intptr_t wparam, intptr_t lparam) const;
  // Runs once the native control exists: hands it the stored state.
  virtual void CreateWnd();
  void showEvent(QShowEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void SendRange() const;

  int32_t min_ = 0;
  int32_t max_ = 100;
  int32_t position_ = 0;
  bool has_32bit_range_;
  QProgressBar* native_ = nullptr;
  // What the native control holds, as the platform's progress control
  // keeps it; Qt's bar only draws it.
  struct NativeState {
    int32_t low = 0, high = 100, pos = 0;
  };
  mutable NativeState native_state_;
  void ShowNativeState() const;
};

}  // namespace controls
