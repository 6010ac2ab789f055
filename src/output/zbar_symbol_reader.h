#pragma once

#include <QImage>
#include <string>
#include <vector>

// Symbols read with zbar, the second decoder the check before printing asks: a symbol one
// scanner reads and another does not, or reads as other data, is found before labels go out.
namespace vellomir {

// Whether zbar is asked about barcodes of the kind: it reads the 1-D kinds.
bool ZbarReadsKind(int kind);

// The texts of the symbols of the barcode kind zbar finds in the image (give a crop that holds
// only one), as a scanner reports them: Codabar with its start and stop letters, UPC-A as
// twelve digits. Nothing for a kind zbar is not asked about.
std::vector<std::string> ReadSymbolsWithZbar(const QImage& image, int kind);

// Every symbol zbar finds in the image with all its symbologies on, UPC-A and UPC-E reported as
// such, each as "TYPE:text" with zbar's name of the type ("CODE-128:LOT-1"): what a scanner set
// to read anything would report, for looking at printed pages.
std::vector<std::string> ReadEverySymbolWithZbar(const QImage& image);

}  // namespace vellomir
