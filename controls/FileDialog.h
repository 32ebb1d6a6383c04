// The settings the open and save dialog components share. The request is
// kept between runs, so the last choice and every setting stay for the next
// one; running goes through the installed platform service, so tests can
// script every choice.
#pragma once

#include <string>

#include "platform/FileDialog.h"

namespace controls {

template <class Request>
class FileDialogSettings {
 public:
  std::string FileName() const { return request_.file_name; }
  void SetFileName(const std::string& v) { request_.file_name = v; }
  std::string InitialDir() const { return request_.initial_dir; }
  void SetInitialDir(const std::string& v) { request_.initial_dir = v; }
  std::string Filter() const { return request_.filter; }
  void SetFilter(const std::string& v) { request_.filter = v; }
  int Options() const { return request_.options; }
  void SetOptions(int v) { request_.options = v; }
  std::string Title() const { return request_.title; }

  // True when the user confirmed a choice, now in FileName. A cancelled
  // dialog leaves every setting as it was.
  bool Execute() { return platform::ExecuteFileDialog(request_); }

 protected:
  Request request_;
};

}  // namespace controls
