#pragma once

#include <QImage>
#include <string>
#include <vector>

// zbar's headers clash with ZXing's: its reader lives in a file of its own.
namespace vellomir::bench {

// Every symbol zbar finds, as its data (UPC-A and UPC-E enabled, so they keep their forms).
std::vector<std::string> ReadWithZbar(const QImage& gray);

}  // namespace vellomir::bench
