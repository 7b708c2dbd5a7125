// Code page 936 (GBK as Windows has it), which is what a Chinese Windows saves text files in. Decoded
// from a table in our own source, so both targets read the same bytes the same way.
#pragma once

#include <string>
#include <string_view>

namespace setup {

// The UTF-8 text of GBK bytes; never fails. A byte or pair that is no character becomes U+FFFD. A lead
// byte followed by a byte that cannot trail it (or by nothing) becomes U+FFFD on its own, and the next
// byte is read afresh, so a broken pair never swallows a line end.
std::string cp936_to_utf8(std::string_view bytes);

}  // namespace setup
