// The file dialog of the Open command: an existing data file, "*.rd3" by default, chosen
// starting from the program's current directory.
#pragma once

#include <string>

class QWidget;

// The chosen file's full path, or "" when the operator cancelled.
std::string ChooseDataFileToOpen(QWidget* parent);
