#pragma once
// The readable form of a Lodex document: a table of its variables, with the
// categories of each categorical variable under it.
#include <string>

struct ILodexDocument;

namespace bvd {

std::string Table(ILodexDocument* document, const std::string& survey);

}  // namespace bvd
