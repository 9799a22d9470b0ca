// Reading a survey through bvdreader as a host does: a source on a generated
// survey, one typed binding per column, MoveFirst and MoveNext to the end.
// Counters: records and data-file bytes per second.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "contracts/datasource.h"
#include "host/datasource/connection_properties.h"
#include "platform/com_create.h"
#include "platform/comptr.h"
#include "reader/bvdreader.h"

namespace {

namespace fs = std::filesystem;

// A survey of `variables` variables cycling through the kinds, and
// `records` records of random answers; returns the definition's path.
std::string MakeSurvey(const fs::path& folder, int variables, int records)
{
    std::string xml = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n<bvd><survey><record ident=\"A\">\n";
    std::vector<std::pair<int, int>> fields;  // kind, width
    int start = 1;
    for (int v = 0; v < variables; ++v) {
        static const char* kTypes[] = {"single", "multiple", "quantity", "quantity", "character", "logical"};
        const int kind = v % 6;
        const int width = kind == 0 ? 2 : kind == 1 ? 8 : kind == 2 ? 5 : kind == 3 ? 8 : kind == 4 ? 12 : 1;
        xml += std::string("<variable type=\"") + kTypes[kind] + "\"><name>V" + std::to_string(v) +
               "</name><position start=\"" + std::to_string(start) + "\" finish=\"" +
               std::to_string(start + width - 1) + "\"/><values>";
        if (kind == 0) for (int c = 1; c <= 20; ++c) xml += "<value code=\"" + std::to_string(c) + "\"/>";
        if (kind == 1) for (int c = 1; c <= 8; ++c) xml += "<value code=\"" + std::to_string(c) + "\"/>";
        if (kind == 3) xml += "<range from=\"0.00\" to=\"99999.99\"/>";
        xml += "</values></variable>\n";
        fields.emplace_back(kind, width);
        start += width;
    }
    xml += "</record></survey></bvd>\n";
    std::ofstream(folder / "bench.xml", std::ios::binary) << xml;

    std::mt19937 random(42);
    std::ofstream data(folder / "bench.asc", std::ios::binary);
    std::string line;
    for (int r = 0; r < records; ++r) {
        line.clear();
        for (const auto& [kind, width] : fields) {
            char cell[32];
            switch (kind) {
            case 0: std::snprintf(cell, sizeof cell, "%2u", static_cast<unsigned>(1 + random() % 20)); break;
            case 1: for (int k = 0; k < 8; ++k) cell[k] = random() % 3 == 0 ? '1' : '0'; cell[8] = 0; break;
            case 2: std::snprintf(cell, sizeof cell, "%5u", static_cast<unsigned>(random() % 100000)); break;
            case 3: std::snprintf(cell, sizeof cell, "%8.2f", (random() % 10000000) / 100.0); break;
            case 4: std::snprintf(cell, sizeof cell, "%-12s", random() % 2 ? "some answer" : ""); break;
            default: std::snprintf(cell, sizeof cell, "%c", random() % 2 ? '1' : '0'); break;
            }
            line.append(cell, static_cast<size_t>(width));
        }
        data << line << "\r\n";
    }
    return (folder / "bench.xml").string();
}

class Fixture {
public:
    Fixture()
    {
        folder_ = fs::temp_directory_path() / ("bvd-bench-" + std::to_string(::getpid()));
        fs::create_directories(folder_);
        ::setenv("BVD_REGISTRY", (folder_ / "registry").c_str(), 1);
        if (FAILED(RegisterServerModule(BVD_READER_PLUGIN))) std::abort();
        path_ = MakeSurvey(folder_, 60, 20000);
        bytes_ = static_cast<int64_t>(fs::file_size(folder_ / "bench.asc"));
    }
    ~Fixture()
    {
        std::error_code ec;
        fs::remove_all(folder_, ec);
    }
    const std::string& path() const { return path_; }
    int64_t bytes() const { return bytes_; }

private:
    fs::path folder_;
    std::string path_;
    int64_t bytes_ = 0;
};

void ReadSurvey(benchmark::State& state)
{
    static Fixture fixture;
    ComPtr<ISource> source;
    CoCreateInstance(bvdreader::kClasses.source, nullptr, CLSCTX_INPROC_SERVER, IID_ISource, source.put_void());
    bvdhost::ConnectionProperty location = bvdhost::TextProperty(u"Location", Utf8ToUtf16(fixture.path()));
    ComPtr<IProperties> properties;
    bvdhost::CreateConnectionProperties({&location, 1}, properties.put());
    if (FAILED(source->Initialize(properties.get()))) {
        state.SkipWithError("Initialize failed");
        return;
    }
    ComPtr<ITables> tables;
    source->get_Tables(tables.put());
    ComPtr<ITable> table;
    tables->get_Item(Variant::Long(0), table.put());
    ComPtr<IColumns> columns;
    table->get_Columns(columns.put());
    LONG count = 0;
    columns->get_Count(&count);
    ComPtr<ICommand> command;
    source->CreateCommand(command.put());
    ComPtr<IDataBindings> bindings;
    command->get_DataBindings(bindings.put());
    for (LONG i = 0; i < count; ++i) {
        ComPtr<IColumn> column;
        columns->get_Item(Variant::Long(i), column.put());
        ComPtr<IDataBinding> binding;
        CoCreateInstance(bvdreader::kClasses.dataBinding, nullptr, CLSCTX_INPROC_SERVER, IID_IDataBinding,
                         binding.put_void());
        binding->putref_Column(column.get());
        LONG type = 0;
        column->get_Type(&type);
        ComPtr<IValue> value;
        binding->get_Value(value.put());
        value->put_Type(type);
        bindings->Append(binding.get());
    }

    int64_t records = 0;
    for (auto _ : state) {
        VARIANT_BOOL eof = VARIANT_FALSE;
        for (HRESULT hr = command->MoveFirst(); SUCCEEDED(hr); hr = command->MoveNext()) {
            command->get_EOF(&eof);
            if (eof == VARIANT_TRUE) break;
            ++records;
        }
    }
    state.counters["records/s"] = benchmark::Counter(static_cast<double>(records), benchmark::Counter::kIsRate);
    state.SetBytesProcessed(fixture.bytes() * state.iterations());
}
BENCHMARK(ReadSurvey)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
