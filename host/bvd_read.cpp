// bvd read: the records of a survey, read as a host reads them: the reader's
// source class from the data-provider key, Initialize with the connection
// properties, the columns of "VDATA", one binding per column on a command,
// then MoveFirst and MoveNext until EOF. Each record becomes a CSV row or a
// JSON line.
#include <unistd.h>

#include <filesystem>
#include <iostream>
#include <optional>

#include "host/bvd.h"
#include "host/bvd_read_format.h"
#include "host/bvd_read_output.h"
#include "host/datasource/client.h"
#include "platform/com_create.h"
#include "platform/registry.h"

namespace bvd {
namespace {

using bvdhost::DataSourceError;

// The object's own description of a failure (its last line break dropped),
// or the result's name when it published none.
std::string Reason(const DataSourceError& e)
{
    std::string text = e.Description();
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) text.pop_back();
    return text.empty() ? e.Operation() + " failed " + Named(e.Result()) : text;
}

// HKLM\...\QX Data Providers\Bvdreader, value Casedata: the ProgID of the
// reader's source class ("Bvdreader.Source").
std::u16string CasedataProgId() { return ProviderProgId(u"Casedata", "case-data"); }

bvdhost::Source Connect(const std::u16string& progId, const ReadOptions& options)
{
    const auto create = [&progId] {
        try {
            return bvdhost::Source::Create(progId.c_str());
        } catch (const DataSourceError& e) {
            throw Failure("cannot create the case-data component " + Utf16ToUtf8(progId) + " " +
                          Named(e.Result()));
        }
    };
    bvdhost::Source source = create();
    std::vector<bvdhost::ConnectionProperty> properties{
        bvdhost::TextProperty(u"Location", Utf8ToUtf16(options.survey))};
    if (options.codes) properties.push_back(bvdhost::LongProperty(u"QX Category Values", 1));
    try {
        source.Initialize(properties);
    } catch (const DataSourceError& e) {
        throw Failure(Reason(e));
    }
    return source;
}

bool SameObject(IUnknown* a, IUnknown* b)
{
    ComPtr<IUnknown> ua, ub;
    a->QueryInterface(IID_IUnknown, ua.put_void());
    b->QueryInterface(IID_IUnknown, ub.put_void());
    return ua.get() == ub.get();
}

// The columns to read, in table order: all of them, or those named (found
// through the columns collection, which compares names without regard to case).
std::vector<bvdhost::Column> SelectColumns(const bvdhost::Table& table, const ReadOptions& options)
{
    std::vector<bvdhost::Column> all = table.Columns();
    if (options.columns.empty()) return all;
    std::vector<bool> chosen(all.size());
    for (const std::string& name : options.columns) {
        std::optional<bvdhost::Column> found;
        try {
            found = table.ColumnNamed(Utf8ToUtf16(name));
        } catch (const DataSourceError& e) {
            throw Failure(options.survey + " has no column " + name + " " + Named(e.Result()));
        }
        for (size_t i = 0; i < all.size(); ++i)
            if (SameObject(all[i].get(), found->get())) chosen[i] = true;
    }
    std::vector<bvdhost::Column> selected;
    for (size_t i = 0; i < all.size(); ++i)
        if (chosen[i]) selected.push_back(all[i]);
    return selected;
}

// The bindings' values, one per column, typed as their columns before the
// first move.
std::vector<bvdhost::Value> Bind(bvdhost::Command& command, const std::vector<bvdhost::Column>& columns,
                                 const std::u16string& bindingProgId)
{
    std::vector<bvdhost::Value> values;
    for (const bvdhost::Column& column : columns) {
        bvdhost::DataBinding binding(bvdhost::CreateObject<IDataBinding>(bindingProgId.c_str()));
        binding.SetColumn(column);
        command.AppendBinding(binding);
        values.push_back(binding.GetValue());
        values.back().SetType(column.Type());
    }
    return values;
}

}  // namespace

int Read(const ReadOptions& options)
{
    RefuseExistingOutput(options.output, options.force);
    for (const std::string& name : options.columns)
        if (name.empty()) throw Failure("--columns holds an empty column name");
    const RowFormat format = options.format == "jsonl" ? RowFormat::Jsonl : RowFormat::Csv;

    ComScope com;
    const std::u16string progId = CasedataProgId();
    // The plug-in's other classes carry the same prefix ("Bvdreader.DataBinding").
    const std::u16string bindingProgId = progId.substr(0, progId.find(u'.')) + u".DataBinding";
    bvdhost::Source source = Connect(progId, options);

    std::vector<bvdhost::Column> columns;
    std::vector<std::string> names;
    std::optional<bvdhost::Command> command;
    std::vector<bvdhost::Value> values;
    try {
        columns = SelectColumns(source.TableNamed(u"VDATA"), options);
        for (const auto& column : columns) names.push_back(Utf16ToUtf8(column.Name()));
        command = source.CreateCommand();
        values = Bind(*command, columns, bindingProgId);
    } catch (const DataSourceError& e) {
        throw Failure("cannot prepare the reading of " + options.survey + ": " + Reason(e));
    }

    const RowWriter rows(format, names);
    Output output(options.output);
    output.Write(rows.Head());
    // Not while the rows themselves go to the terminal: the two would mix.
    Progress progress(DataFileOf(options.survey), !options.output.empty() || ::isatty(STDOUT_FILENO) != 1);
    std::vector<Variant> record(values.size());
    std::string line;
    long number = 1;  // the record being read
    std::string failure;
    try {
        for (command->MoveFirst(); !command->Eof(); ++number, command->MoveNext()) {
            for (size_t i = 0; i < values.size(); ++i) record[i] = values[i].Get();
            line.clear();
            rows.AppendRow(line, record);
            output.Write(line);
            progress.Record(number);
        }
    } catch (const DataSourceError& e) {
        failure = "error: record " + std::to_string(number) + ": " + Reason(e);
    }
    command->get()->Close();  // the reader closes its data file; nothing is left to read
    progress.Clear();
    // The records before a failing one are kept: they were read correctly.
    output.Commit();
    if (failure.empty()) return 0;
    std::cerr << failure << '\n';
    return 1;
}

}  // namespace bvd
