#pragma once

// While it lives, standard output and standard error point at /dev/null, so that plug-in code
// run meanwhile cannot write into the program's own output; it puts both back when it goes.
class TQuietOutput {
public:
  TQuietOutput();
  ~TQuietOutput();
  TQuietOutput(const TQuietOutput&) = delete;
  TQuietOutput& operator=(const TQuietOutput&) = delete;

private:
  int SavedOut = -1;
  int SavedErr = -1;
};
