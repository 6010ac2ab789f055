#pragma once

#include <optional>
#include <string>

#include "barcode/painter.h"

// The 2-D symbologies and GS1's: libzint encodes the data into its module matrix, and the
// matrix is drawn by the painters' shared drawing like any other pattern. Zint's own
// rendering is not used.
namespace vellomir {

// QR Code, error correction level M (15%), the smallest version that holds the data. Text
// beyond ASCII is encoded as UTF-8 under ECI 26 so every reader knows its characters.
SymbolPattern EncodeQrCode(const std::string& data);
// Data Matrix ECC 200, the smallest square size that holds the data; UTF-8 as for QR.
SymbolPattern EncodeDataMatrix(const std::string& data);
// PDF417, error correction and columns as zint chooses them for the data; rows three modules
// high. UTF-8 as for QR.
SymbolPattern EncodePdf417(const std::string& data);
// GS1-128 (Code 128 with FNC1), the data as AIs in parentheses "(01)...(10)..." or brackets
// "[01]..."; the human-readable line shows the AIs in parentheses.
SymbolPattern EncodeGs1_128(const std::string& data);
// GS1 DataMatrix and GS1 QR Code: the same AI data in those symbols.
SymbolPattern EncodeGs1DataMatrix(const std::string& data);
SymbolPattern EncodeGs1Qr(const std::string& data);

// The GS1 element string of AI data "(01)...(10)..." (or "[01]..."): the AIs and their values
// one after another, a GS (FNC1) after each value of variable length that is not the last, as
// a scanner reports it. Nothing when the data is not AIs in parentheses or brackets.
std::optional<std::string> Gs1ElementString(const std::string& data);

inline constexpr char kGs1Separator = '\x1D';

}  // namespace vellomir
