// The category table the kernels are built from.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace kc {

// Category name -> ordered list of strings (regular expressions for the
// pattern extractor, motifs for the motif matcher). Keys are kept in
// ascending byte-wise order, the order in which both consumers visit the
// categories; a later insert under an equal name replaces the earlier list.
// The binding layer builds it from a Python dict and hands it over by value.
using CategoryTable = std::map<std::string, std::vector<std::string>>;

}  // namespace kc
