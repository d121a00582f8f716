#pragma once
// Command-line arguments as bytes and as text, for file names whose bytes are not UTF-8.
#include <QString>
#include <string>
#include <string_view>

// A command-line argument as the parser takes it. Bytes that are not UTF-8 become the lone
// surrogates U+DC80..U+DCFF, so that argumentBytes gives the argument back byte for byte.
QString argumentText(std::string_view bytes);
std::string argumentBytes(const QString& text);
// A name as a message shows it on one line: control characters and bytes that are not UTF-8
// written as \n, \r, \t or \xHH.
QString shownName(const QString& text);
