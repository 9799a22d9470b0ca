#pragma once
// The enumerations of the object model's type library, with their numbers.
#include "platform/types.h"

// Type of a value, a column or a property value (see KxVariant.h for the
// VARIANT form of each).
enum DataTypeConstants : LONG {
    mtNone = 0,
    mtLong = 1,
    mtText = 2,
    mtCategorical = 3,
    mtObject = 4,
    mtDate = 5,
    mtDouble = 6,
    mtBoolean = 7,
    mtLevel = 8,
};

enum TableTypeConstants : LONG {
    cdVDATA = 0,
    cdHDATA = 1,
    cdSDATA = 2,
};

enum SortOrderConstants : LONG {
    cdUndefined = 0,
    cdAscending = 1,
    cdDescending = 2,
};

enum BindingTypeConstants : LONG {
    cdBindingColumn = 0,
    cdBindingTable = 1,
    cdBindingExpression = 2,
};

enum PropertyTypeConstants : LONG {
    cdLong = 0,
    cdBoolean = 1,
    cdString = 2,
    cdDouble = 3,
    cdDate = 4,
    cdIUnknown = 5,
    cdIDispatch = 6,
};
