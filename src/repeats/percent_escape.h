#pragma once

#include <string>

// Appends text to out with every character that plain() rejects written as
// %XX (upper-case hex), the escape GFF3 names and catalogue locus names share.
void append_percent_escaped(std::string& out, const std::string& text, bool (*plain)(char));
