#pragma once
// Turning one "variable" element of a definition file into one Lodex
// variable: name, label, data type, bounds and, for categorical variables,
// one category element per "value".
#include <string>

#include "contracts/lodex.h"
#include "platform/dom.h"

namespace bvdmeta {

// S_OK, or E_FAIL when the variable or one of its elements cannot be
// created; other failing document or parser calls end it with their HRESULT
// (CallFailed, calls.h) except inside one "range" or "value" element, where
// they end the handling of that element only.
HRESULT MapVariable(ILodexDocument* document, IXMLDOMElement* variable);

// Adds one category element to `variable`: S_OK, or E_FAIL when the element
// cannot be created; a failing document call throws CallFailed.
HRESULT AddCategory(ILodexVariable* variable, const std::u16string& name, const std::u16string& label);

// Rewrites an ANSI text into a valid name: "_" in front of a first character
// that is not an ASCII letter or "_" (the empty text becomes "_"), then every
// character that is not an ASCII letter or digit becomes "_".
void MakeValidName(std::string& text);

// The C library's reading of numbers, as the definition file's attributes
// are read: leading white space, an optional sign, then digits (an integer,
// saturated to 32 bits) or the C locale's floating-point syntax; reading
// stops at the first other character, and no number reads as 0.
LONG ParseInteger(std::u16string_view text);
double ParseDecimal(std::u16string_view text);

}  // namespace bvdmeta
