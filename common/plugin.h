#pragma once
// What the object model needs to know of the case-data plug-in it is compiled
// into: its name, the CLSIDs its objects report errors under, its capability
// table and whether the host defines the schema. Each plug-in (and a test
// standing for one) defines bvd::ThisPlugin() once.
#include "common/constants.h"
#include "platform/guid.h"

namespace bvd {

// One row of the capability table: `number` for cdLong, `flag` for cdBoolean
// (non-zero is true), `text` for cdString. The table ends with a row whose
// name is null.
struct CapabilityRow {
    const char16_t* name;
    PropertyTypeConstants type;
    LONG number;
    BYTE flag;
    const char16_t* text;
    LONG attributes;
};

struct DataSourceClasses {
    CLSID source, table, tables, column, columns, command, commands, dataBinding, dataBindings, value, property,
        properties, valueAttributes, valueAttribute;
};

struct DataSourcePlugin {
    const char16_t* name;  // "bvdreader", "bvdwriter": the source's Name
    DataSourceClasses classes;
    const CapabilityRow* capabilities;
    // The writer: the host appends tables and columns (ITables::Append,
    // IColumns::Append); the reader builds its schema alone (E_NOTIMPL).
    bool hostAppendsSchema;
    // The reader: Initialize sets the initialized flag before reading the
    // connection properties (so that its open hook can use the guarded
    // accessors) and reads "QX Category Values".
    bool initializedBeforeOpen;
    bool readsCategoryValues;
};

const DataSourcePlugin& ThisPlugin();

}  // namespace bvd
