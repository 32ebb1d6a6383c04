// TOpenDialog: the open-file dialog as a component of a window. It keeps the
// dialog's settings and last choice between runs and runs through the
// installed open-dialog service, so tests can script every choice.
#pragma once

#include <QObject>
#include <string>

#include "platform/OpenDialog.h"

class TOpenDialog : public QObject {
  Q_OBJECT
 public:
  explicit TOpenDialog(QObject* owner = nullptr) : QObject(owner) {}

  std::string FileName() const { return request_.file_name; }
  void SetFileName(const std::string& v) { request_.file_name = v; }
  std::string InitialDir() const { return request_.initial_dir; }
  void SetInitialDir(const std::string& v) { request_.initial_dir = v; }
  std::string Filter() const { return request_.filter; }
  void SetFilter(const std::string& v) { request_.filter = v; }
  int Options() const { return request_.options; }
  void SetOptions(int v) { request_.options = v; }
  std::string Title() const { return request_.title; }
  void SetTitle(const std::string& v) { request_.title = v; }

  // True when the user confirmed a choice, now in FileName. A cancelled
  // dialog leaves every setting as it was.
  bool Execute() { return platform::ExecuteOpenDialog(request_); }

 private:
  platform::OpenDialogRequest request_;
};
