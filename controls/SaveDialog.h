// The save-file dialog as a component of a window (TSaveDialog): it keeps
// the dialog's settings and last choice between runs and runs through the
// installed save-dialog service, so tests can script every choice.
#pragma once

#include <QObject>
#include <string>

#include "platform/SaveDialog.h"

class TSaveDialog : public QObject {
  Q_OBJECT
 public:
  explicit TSaveDialog(QObject* owner = nullptr) : QObject(owner) {}

  std::string FileName() const { return request_.file_name; }
  void SetFileName(const std::string& v) { request_.file_name = v; }
  std::string InitialDir() const { return request_.initial_dir; }
  void SetInitialDir(const std::string& v) { request_.initial_dir = v; }
  std::string Filter() const { return request_.filter; }
  void SetFilter(const std::string& v) { request_.filter = v; }
  std::string DefaultExt() const { return request_.default_ext; }
  void SetDefaultExt(const std::string& v) { request_.default_ext = v; }
  int Options() const { return request_.options; }
  void SetOptions(int v) { request_.options = v; }
  std::string Title() const { return request_.title; }
  void SetTitle(const std::string& v) { request_.title = v; }

  // True when the user confirmed a name, now in FileName.
  bool Execute() { return platform::ExecuteSaveDialog(request_); }

 private:
  platform::SaveDialogRequest request_;
};
