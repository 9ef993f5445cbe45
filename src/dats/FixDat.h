// INTERFACE COPY (replaced by the dats branch)
#pragma once
#include <span>
#include <string>
#include <string_view>
#include "dats/DatCatalogue.h"
namespace cartovex {
std::string WriteFixDat(const DatCatalogue& catalogue, std::span<const size_t> missing, std::string_view date);
}
