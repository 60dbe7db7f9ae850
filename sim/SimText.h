// Reading the simulator's option and command texts: whole numbers (decimal, 0x hex or 0
// octal) and decimals that must take the whole text, and comma lists.
#pragma once

#include <string>
#include <vector>

bool SimParseLong(const std::string& text, long& out);
bool SimParseDouble(const std::string& text, double& out);  // "nan" too
std::vector<std::string> SimSplit(const std::string& text, char sep);
