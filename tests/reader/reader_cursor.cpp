// Reading records: field texts by kind through the values, category numbers
// and codes, the serial number, line ends, the cursor's flags and its
// failures.
#include "tests/reader/reader_support.h"

namespace readertest {
namespace {

using Rows = std::vector<std::vector<std::string>>;

const std::string kMixed = Definition(
    Var("single", "S", "1", "2", Codes({"10", "20"})) + Var("multiple", "M", "3", "6", Codes({"1", "2", "3", "4"})) +
    Var("quantity", "N", "7", "9") + Var("quantity", "D", "10", "14", "<range from=\"0.0\" to=\"9.9\"/>") +
    Var("character", "T", "15", "18") + Var("logical", "L", "19", "19"));

TEST_F(ReaderTest, FieldsByKind)
{
    // S: codes 10, 20 are categories 1, 2; M: codes 1-4 are categories 3-6.
    const std::string data =
        "200101 12 0.50 ab 1\n"
        "150000  0    0    0\n"
        "  1111000  0.5    \r\n"
        "\n"
        "20";  // the last line has no line feed and is cut short
    ComPtr<ISource> source = Open(Survey(kMixed, data));
    ComPtr<ICommand> command = Command(source.get());
    EXPECT_EQ((Rows{{"1", "{2}", "{4,6}", "12", "0.5", " ab ", "True"},
                    {"2", "{15}", "{}", "0", "0", "    ", "False"},
                    {"3", "{}", "{3,4,5,6}", "0", "0.5", "    ", "False"},
                    {"4", "{}", "{}", "0", "0", "", "False"},
                    {"5", "{2}", "{}", "0", "0", "", "False"}}),
              ReadAll(command.get()));

    // The file's own codes with "QX Category Values".
    ComPtr<ISource> codes = Open(Path("survey.xml"), {bvdhost::LongProperty(u"QX Category Values", 1)});
    ComPtr<ICommand> byCode = Command(codes.get(), {u"S", u"M"});
    const Rows rows = ReadAll(byCode.get());
    ASSERT_EQ(5u, rows.size());
    EXPECT_EQ((std::vector<std::string>{"{20}", "{2,4}"}), rows[0]);
    EXPECT_EQ((std::vector<std::string>{"{15}", "{}"}), rows[1]);
    EXPECT_EQ((std::vector<std::string>{"{}", "{1,2,3,4}"}), rows[2]);
}

// Without declared types the values take the texts as they come.
TEST_F(ReaderTest, UntypedValuesHoldTheFieldTexts)
{
    ComPtr<ISource> source = Open(Survey(kMixed, "200101 12 0.50 ab 1\n  0000                \n"));
    ComPtr<ICommand> command = Command(source.get(), {}, false);
    EXPECT_EQ((Rows{{"1", "2", "{4,6}", "12", ".50", " ab ", "1"}, {"2", "", "", "0", "0", "    ", ""}}),
              ReadAll(command.get()));
}

// A multiple position without a code adds nothing; bytes above 127 are the
// characters of the same numbers; lines and fields have no length limit.
TEST_F(ReaderTest, WideAndLongFields)
{
    std::string codes;
    for (int code = 1; code <= 12000; ++code) codes += "<value code=\"" + std::to_string(code) + "\"/>";
    const std::string xml = Definition(Var("multiple", "Many", "1", "12000", codes) +
                                       Var("multiple", "Gaps", "12001", "12004", Codes({"1", "2"})) +
                                       Var("character", "Name", "12005", "32004"));
    std::string line(12000, '1');
    line += "1011";
    std::string name = "Ren\xE9 \xC6";
    name.resize(20000, 'x');
    line += name;
    ComPtr<ISource> source = Open(Survey(xml, line + "\n"));
    ComPtr<ICommand> command = Command(source.get(), {u"Many", u"Gaps", u"Name"});
    const Rows rows = ReadAll(command.get());
    ASSERT_EQ(1u, rows.size());
    std::string all = "{";
    for (int n = 1; n <= 12000; ++n) all += (n > 1 ? "," : "") + std::to_string(n);
    EXPECT_EQ(all + "}", rows[0][0]);
    EXPECT_EQ("{12001}", rows[0][1]);
    EXPECT_EQ(20000u + 2u, rows[0][2].size());  // two characters of two bytes each in UTF-8
    EXPECT_EQ(0u, rows[0][2].rfind("Ren\xC3\xA9 \xC3\x86xx", 0));
}

TEST_F(ReaderTest, CursorFlagsAndCount)
{
    ComPtr<ISource> source = Open(Survey(kMixed, "20\n10\n\n"));
    ComPtr<ICommand> command = Command(source.get(), {u"dscserial", u"S"});
    VARIANT_BOOL eof = VARIANT_FALSE, bof = VARIANT_FALSE;
    EXPECT_EQ(S_OK, command->get_EOF(&eof));
    EXPECT_EQ(S_OK, command->get_BOF(&bof));
    EXPECT_EQ(VARIANT_TRUE, eof);
    EXPECT_EQ(VARIANT_TRUE, bof);
    LONG level = -1;
    EXPECT_EQ(S_OK, command->get_Level(&level));
    EXPECT_EQ(0, level);

    // Before the data file is open there is nothing to move on in.
    EXPECT_EQ(E_UNEXPECTED, command->MoveNext());
    EXPECT_EQ("The command has been closed and is no longer available for use", TakeError().description);

    ASSERT_EQ(S_OK, command->MoveFirst());
    ASSERT_EQ(S_OK, command->MoveNext());
    // Count gives the bindings and does not move the cursor.
    LONG count = 0;
    EXPECT_EQ(S_OK, command->get_Count(&count));
    EXPECT_EQ(2, count);
    ASSERT_EQ(S_OK, command->MoveNext());
    EXPECT_EQ((std::vector<std::string>{"3", "{}"}), Row(command.get()));  // a blank line is a record
    ASSERT_EQ(S_OK, command->MoveNext());
    command->get_EOF(&eof);
    command->get_BOF(&bof);
    EXPECT_EQ(VARIANT_TRUE, eof);
    EXPECT_EQ(VARIANT_FALSE, bof);
    EXPECT_EQ((std::vector<std::string>{"3", "{}"}), Row(command.get()));  // the last record's values stay
    EXPECT_EQ(S_OK, command->MoveNext());                                 // and the end stays the end

    // MoveFirst starts over.
    ASSERT_EQ(S_OK, command->MoveFirst());
    command->get_EOF(&eof);
    EXPECT_EQ(VARIANT_FALSE, eof);
    EXPECT_EQ((std::vector<std::string>{"1", "{2}"}), Row(command.get()));

    ComPtr<ICommands> commands;
    ASSERT_EQ(S_OK, source->get_Commands(commands.put()));
    commands->get_Count(&count);
    EXPECT_EQ(1, count);
    EXPECT_EQ(S_OK, command->Close());
    commands->get_Count(&count);
    EXPECT_EQ(0, count);
    EXPECT_EQ(S_OK, command->Close());  // twice changes nothing
    EXPECT_EQ(E_UNEXPECTED, command->MoveFirst());
    EXPECT_EQ("The command has been closed and is no longer available for use", TakeError().description);
    EXPECT_EQ(E_UNEXPECTED, command->get_Count(&count));
    EXPECT_EQ(E_UNEXPECTED, command->MoveNext());

    const HRESULT notImplemented[] = {command->MoveLast(), command->MovePrevious(), command->Update(),
                                      command->AddNew(), command->Delete(VARIANT_TRUE)};
    for (HRESULT hr : notImplemented) EXPECT_EQ(E_NOTIMPL, hr);
}

TEST_F(ReaderTest, EmptyDataAndNoBindings)
{
    ComPtr<ISource> source = Open(Survey(kMixed, ""));
    ComPtr<ICommand> bare;
    ASSERT_EQ(S_OK, source->CreateCommand(bare.put()));
    EXPECT_EQ(E_FAIL, bare->MoveFirst());
    const Reported r = TakeError();
    EXPECT_EQ("Unable to complete command operation as there are no data bindings", r.description);
    EXPECT_EQ("Bvdreader.Command.1", r.source);
    EXPECT_EQ(IID_ICommand, r.guid);

    ComPtr<ICommand> command = Command(source.get());
    EXPECT_EQ(S_OK, command->MoveFirst());
    VARIANT_BOOL eof = VARIANT_FALSE;
    command->get_EOF(&eof);
    EXPECT_EQ(VARIANT_TRUE, eof);

    // The data file gone before the first move: the command cannot open it.
    std::filesystem::remove(Path("survey.asc"));
    ComPtr<ICommand> late = Command(source.get());
    EXPECT_EQ(E_UNEXPECTED, late->MoveFirst());
    EXPECT_EQ("The command has been closed and is no longer available for use", TakeError().description);
}

// A value that refuses its text fails the move: the line is counted, the
// bindings after the failing one keep the previous record's values, and
// reading goes on with the next line.
TEST_F(ReaderTest, RefusedFieldFailsTheMove)
{
    const std::string blanks(9, ' ');
    ComPtr<ISource> source = Open(Survey(kMixed, "20      1" + blanks + "1\n20      2" + blanks + "x\n20      3" +
                                                     blanks + "1\n"));
    ComPtr<ICommand> command = Command(source.get(), {u"dscserial", u"L"});
    ComPtr<IDataBindings> bindings;
    ASSERT_EQ(S_OK, command->get_DataBindings(bindings.put()));
    Bind(bindings.get(), Columns(source.get())[3].get());  // N after L
    ASSERT_EQ(S_OK, command->MoveFirst());
    EXPECT_EQ((std::vector<std::string>{"1", "True", "1"}), Row(command.get()));
    const HRESULT hr = command->MoveNext();
    EXPECT_EQ(DISP_E_TYPEMISMATCH, hr);
    const Reported r = TakeError();
    EXPECT_EQ("Type mismatch error, converting 'x' from Text to Boolean", r.description);
    EXPECT_EQ("Bvdreader.Value.1", r.source);
    EXPECT_EQ((std::vector<std::string>{"2", "True", "1"}), Row(command.get()));
    ASSERT_EQ(S_OK, command->MoveNext());
    EXPECT_EQ((std::vector<std::string>{"3", "True", "3"}), Row(command.get()));
}

// Only this source's columns can be read: a column of another source or of
// the writer's kind, or a binding without a column, fails the move.
TEST_F(ReaderTest, ForeignColumnsAreRefused)
{
    const std::string path = Survey(kMixed, "20\n");
    ComPtr<ISource> source = Open(path);
    ComPtr<ISource> other = Open(path);
    ComPtr<IColumn> plain;
    ASSERT_EQ(S_OK, CoCreateInstance(bvdreader::kClasses.column, nullptr, CLSCTX_INPROC_SERVER, IID_IColumn,
                                     plain.put_void()));
    const std::vector<ComPtr<IColumn>> foreign{ComPtr<IColumn>(Columns(other.get())[1].get()), plain,
                                               ComPtr<IColumn>()};
    for (const ComPtr<IColumn>& column : foreign) {
        ComPtr<ICommand> command = Command(source.get(), {u"S"});
        ComPtr<IDataBindings> bindings;
        ASSERT_EQ(S_OK, command->get_DataBindings(bindings.put()));
        Bind(bindings.get(), column ? column.get() : nullptr, false);
        EXPECT_EQ(E_INVALIDARG, command->MoveFirst());
        EXPECT_EQ((std::vector<std::string>{"{2}", ""}), Row(command.get()));  // the own column was read
    }
}

// A command keeps reading the file it opened when the source opens another
// survey, and a command whose source is gone closes without it.
TEST_F(ReaderTest, CommandsOutliveReopeningAndTheSource)
{
    const std::string first = Survey(kMixed, "20\n10\n", "first");
    const std::string second = Survey(kMixed, "10\n", "second");
    ComPtr<ISource> source = Open(first);
    ComPtr<ICommand> command = Command(source.get(), {u"S"});
    ASSERT_EQ(S_OK, command->MoveFirst());
    ASSERT_EQ(S_OK, Initialize(source.get(), second));
    ASSERT_EQ(S_OK, command->MoveNext());
    EXPECT_EQ((std::vector<std::string>{"{1}"}), Row(command.get()));
    EXPECT_EQ((Rows{{"{1}"}}), ReadAll(Command(source.get(), {u"S"}).get()));

    source.Reset();
    EXPECT_EQ(S_OK, command->MoveFirst());  // the open file is rewound
    EXPECT_EQ((std::vector<std::string>{"{2}"}), Row(command.get()));
    EXPECT_EQ(E_UNEXPECTED, command->Close());
}

}  // namespace
}  // namespace readertest
