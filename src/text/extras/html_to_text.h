#pragma once
// Plain text from an HTML file, with light markers for headings ("==T=="), emphasis, quotes,
// code, images and list items, for reading a page in a text report.

#include <string>

// Reads input whole, then writes its text runs and the markers of its tags to output through
// the replacing writer, so an output naming the input converts it rather than destroying it.
// An input that cannot be read, or holds no markup items, gives an empty output. Always 0.
int html_to_text(const std::string& input, const std::string& output);
