// File names, extensions and address elements of paths and addresses.
#pragma once

#include "text/text.h"

namespace xiuyun {

enum class Extension { Keep, Drop };

// The last element of a path or address: the text after the last "\", "/" or ":" that is
// followed by a character other than "\" or "/". An address ending in "/" keeps that "/" with the
// element before it; a path ending in "\" gives an empty text.
Text fileNameOf(const Text& path, Extension extension);
// From the last "." to the end, the "." included; empty when there is none, or when a blank or
// a separator comes after that ".".
Text extensionOf(const Text& path);
// Trimmed, without ":" "\" "/" "*" "?" "|" "<" ">", trimmed again. The in/out form stores the
// result in the caller's variable too.
Text cleanFileName(Text& text);
Text cleanFileName(const Text& text);
// Every "%" with two hexadecimal digits becomes the byte they spell; a "%" without them stays as
// it is. With toGbk the decoded bytes are read as UTF-8 and converted to GBK.
enum class DecodeTo { Bytes, Gbk };
Text urlDecode(const Text& text, DecodeTo target);
// A name from the site made fit to be one folder of a path: without trailing dots and blanks,
// never empty, "." or "..", and at most 255 bytes on disk, cut at a character boundary. On
// Windows also without '"' and control characters, and never a device name (CON, NUL, COM1...):
// such a name gets a "_" in front.
Text safeFolderElement(const Text& name);
// Not empty, and every byte an ASCII digit.
bool isNumber(const Text& text);

} // namespace xiuyun
