#pragma once
// The reader as a host meets it: registered in a temporary registry, a
// survey written to a temporary folder, a source opened on it, bindings on
// its columns, and the error information of the last failure.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "contracts/datasource.h"
#include "host/datasource/connection_properties.h"
#include "platform/bstr.h"
#include "platform/com_create.h"
#include "platform/comptr.h"
#include "platform/errorinfo.h"
#include "platform/safearray.h"
#include "platform/variant.h"
#include "reader/bvdreader.h"
#include "tests/platform/temp_registry.h"

namespace readertest {

inline std::string Text(BSTR s) { return Utf16ToUtf8(s ? std::u16string_view(s, SysStringLen(s)) : std::u16string_view()); }

// The error information the last failing call left on the thread.
struct Reported {
    std::string description, source;
    GUID guid{};
};
inline Reported TakeError()
{
    Reported r;
    ComPtr<IErrorInfo> info;
    if (GetErrorInfo(0, info.put()) != S_OK || !info) return r;
    BStr text;
    info->GetDescription(text.put());
    r.description = Text(text.get());
    BStr source;
    info->GetSource(source.put());
    r.source = Text(source.get());
    info->GetGUID(&r.guid);
    return r;
}

// A definition file around the variables of one record.
inline std::string Definition(const std::string& variables)
{
    return "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n<bvd version=\"1.1\">\n<survey>\n<record ident=\"A\">\n" +
           variables + "</record>\n</survey>\n</bvd>\n";
}

// One variable element: type, name, start-finish, and the inner XML of
// <values> (none when empty).
inline std::string Var(const std::string& type, const std::string& name, const std::string& start,
                       const std::string& finish, const std::string& values = "")
{
    std::string v = "<variable type=\"" + type + "\"><name>" + name + "</name><position start=\"" + start + "\"";
    if (!finish.empty()) v += " finish=\"" + finish + "\"";
    v += "/>";
    if (!values.empty()) v += "<values>" + values + "</values>";
    return v + "</variable>\n";
}
inline std::string Codes(std::initializer_list<const char*> codes)
{
    std::string v;
    for (const char* c : codes) v += std::string("<value code=\"") + c + "\">" + c + "</value>";
    return v;
}

class ReaderTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(S_OK, RegisterServerModule(BVD_READER_PLUGIN)) << LastModuleLoadError(); }
    void TearDown() override { SetErrorInfo(0, nullptr); }

    std::string Path(const std::string& name) const { return registry_.Dir() + "/data/" + name; }
    static void Write(const std::string& path, const std::string& bytes)
    {
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        std::ofstream(path, std::ios::binary) << bytes;
    }
    // survey.xml and survey.asc in the temporary folder; the definition path.
    std::string Survey(const std::string& xml, const std::string& asc, const std::string& name = "survey")
    {
        Write(Path(name + ".xml"), xml);
        Write(Path(name + ".asc"), asc);
        return Path(name + ".xml");
    }

    static ComPtr<ISource> NewSource()
    {
        ComPtr<ISource> source;
        EXPECT_EQ(S_OK, CoCreateInstance(bvdreader::kClasses.source, nullptr, CLSCTX_INPROC_SERVER, IID_ISource,
                                         source.put_void()));
        return source;
    }
    // Initialize with "Location" (unless empty) and the further properties.
    static HRESULT Initialize(ISource* source, const std::string& location,
                              std::vector<bvdhost::ConnectionProperty> more = {})
    {
        if (!location.empty()) more.push_back(bvdhost::TextProperty(u"Location", Utf8ToUtf16(location)));
        ComPtr<IProperties> properties;
        EXPECT_EQ(S_OK, bvdhost::CreateConnectionProperties(more, properties.put()));
        return source->Initialize(properties.get());
    }
    // A source opened on `location`; the test fails when the open fails.
    static ComPtr<ISource> Open(const std::string& location, std::vector<bvdhost::ConnectionProperty> more = {})
    {
        ComPtr<ISource> source = NewSource();
        const HRESULT hr = Initialize(source.get(), location, std::move(more));
        EXPECT_EQ(S_OK, hr) << TakeError().description;
        return source;
    }

    static ComPtr<ITable> Vdata(ISource* source)
    {
        ComPtr<ITables> tables;
        EXPECT_EQ(S_OK, source->get_Tables(tables.put()));
        ComPtr<ITable> table;
        if (tables) {
            EXPECT_EQ(S_OK, tables->get_Item(Variant::Text(u"VDATA"), table.put()));
        }
        return table;
    }
    static std::vector<ComPtr<IReaderColumn>> Columns(ISource* source)
    {
        std::vector<ComPtr<IReaderColumn>> out;
        ComPtr<ITable> table = Vdata(source);
        if (!table) return out;
        ComPtr<IColumns> columns;
        EXPECT_EQ(S_OK, table->get_Columns(columns.put()));
        LONG count = 0;
        EXPECT_EQ(S_OK, columns->get_Count(&count));
        for (LONG i = 0; i < count; ++i) {
            ComPtr<IColumn> column;
            EXPECT_EQ(S_OK, columns->get_Item(Variant::Long(i), column.put()));
            out.push_back(ComPtr<IReaderColumn>(static_cast<IReaderColumn*>(column.get())));
        }
        return out;
    }

    // A command with one binding per named column (all columns when none
    // are named), each value typed as its column.
    static ComPtr<ICommand> Command(ISource* source, const std::vector<std::u16string>& names = {},
                                    bool typed = true)
    {
        ComPtr<ICommand> command;
        EXPECT_EQ(S_OK, source->CreateCommand(command.put()));
        ComPtr<IDataBindings> bindings;
        EXPECT_EQ(S_OK, command->get_DataBindings(bindings.put()));
        for (const ComPtr<IReaderColumn>& column : Columns(source)) {
            BStr name;
            column->get_Name(name.put());
            if (!names.empty() && std::find(names.begin(), names.end(), name.view()) == names.end()) continue;
            Bind(bindings.get(), column.get(), typed);
        }
        return command;
    }
    static void Bind(IDataBindings* bindings, IColumn* column, bool typed = true)
    {
        ComPtr<IDataBinding> binding;
        ASSERT_EQ(S_OK, CoCreateInstance(bvdreader::kClasses.dataBinding, nullptr, CLSCTX_INPROC_SERVER,
                                         IID_IDataBinding, binding.put_void()));
        ASSERT_EQ(S_OK, binding->putref_Column(column));
        if (typed) {
            LONG type = 0;
            ASSERT_EQ(S_OK, column->get_Type(&type));
            ComPtr<IValue> value;
            ASSERT_EQ(S_OK, binding->get_Value(value.put()));
            ASSERT_EQ(S_OK, value->put_Type(type));
        }
        ASSERT_EQ(S_OK, bindings->Append(binding.get()));
    }

    // The values of the command's bindings after the last move, as text
    // ("{4,6}" for categorical sets).
    static std::vector<std::string> Row(ICommand* command)
    {
        std::vector<std::string> row;
        ComPtr<IDataBindings> bindings;
        EXPECT_EQ(S_OK, command->get_DataBindings(bindings.put()));
        LONG count = 0;
        bindings->get_Count(&count);
        for (LONG i = 0; i < count; ++i) {
            ComPtr<IDataBinding> binding;
            bindings->get_Item(Variant::Long(i), binding.put());
            ComPtr<IValue> value;
            binding->get_Value(value.put());
            Variant v;
            EXPECT_EQ(S_OK, value->get_Value(VARIANT_FALSE, &v));
            row.push_back(AsText(v));
        }
        return row;
    }
    static std::string AsText(const VARIANT& v);

    // Every row of the data, MoveFirst to EOF; the test fails on a failing move.
    static std::vector<std::vector<std::string>> ReadAll(ICommand* command)
    {
        std::vector<std::vector<std::string>> rows;
        HRESULT hr = command->MoveFirst();
        for (;;) {
            EXPECT_EQ(S_OK, hr) << TakeError().description;
            if (FAILED(hr)) break;
            VARIANT_BOOL eof = VARIANT_TRUE;
            command->get_EOF(&eof);
            if (eof == VARIANT_TRUE) break;
            rows.push_back(Row(command));
            hr = command->MoveNext();
        }
        return rows;
    }

    TempRegistry registry_;  // its folder holds the surveys too
};

}  // namespace readertest
