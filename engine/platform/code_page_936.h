#pragma once
// Code page 936 (GBK as Windows has it; byte 0x80 is the euro sign).
// The mapping is taken from ICU's converter once, into two lookup tables,
// and only pairs that survive a round trip are kept: a byte sequence that
// would come back different after decoding and encoding is treated as
// invalid, so a file is never rewritten with bytes it did not have.

#include <string>
#include <string_view>

namespace quelvane {

// Appends the text of `bytes` to `out`. Returns false when any byte
// sequence is not a round-trip character of code page 936 (`out` then
// holds an unspecified prefix and must not be used).
bool DecodeCodePage936(std::string_view bytes, std::u16string& out);

// Appends the bytes of `text` to `out`. Returns false when a character has
// no round-trip mapping in code page 936.
bool EncodeCodePage936(std::u16string_view text, std::string& out);

}  // namespace quelvane
