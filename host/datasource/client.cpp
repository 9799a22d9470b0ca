// The host's typed wrappers: every failed call becomes a DataSourceError.
#include "host/datasource/client.h"

#include <cstdio>

#include "platform/com_create.h"
#include "platform/errorinfo.h"

namespace bvdhost {
namespace {

std::string Utf8(BSTR s) { return Utf16ToUtf8(s ? std::u16string_view(s, SysStringLen(s)) : std::u16string_view()); }

std::string Message(HRESULT hr, const std::string& operation, const std::string& description,
                    const std::string& source)
{
    char code[16];
    std::snprintf(code, sizeof code, "0x%08X", static_cast<unsigned>(hr));
    std::string text = operation + " failed (" + code + ")";
    if (!source.empty()) text += " in " + source;
    if (!description.empty()) text += ": " + description;
    return text;
}

std::u16string Text(BStr& s) { return std::u16string(s.view()); }

BStr Bstr(std::u16string_view text)
{
    BStr s(text);
    if (!s.get()) throw std::bad_alloc();
    return s;
}

Variant NameIndex(std::u16string_view name)
{
    Variant v;
    v.vt = VT_BSTR;
    v.bstrVal = Bstr(name).Detach();
    return v;
}

// The items of a collection interface, position by position.
template <class Collection, class Item>
std::vector<ComPtr<Item>> Items(Collection* collection, const char* operation)
{
    LONG count = 0;
    Check(collection->get_Count(&count), operation);
    std::vector<ComPtr<Item>> items;
    for (LONG i = 0; i < count; ++i) {
        ComPtr<Item> item;
        Check(collection->get_Item(Variant::Long(i), item.put()), operation);
        items.push_back(std::move(item));
    }
    return items;
}

}  // namespace

DataSourceError::DataSourceError(HRESULT hr, std::string operation, std::string description, std::string source)
    : std::runtime_error(Message(hr, operation, description, source)),
      hr_(hr),
      operation_(std::move(operation)),
      description_(std::move(description)),
      source_(std::move(source))
{
}

void Check(HRESULT hr, const char* operation)
{
    if (SUCCEEDED(hr)) return;
    std::string description, source;
    ComPtr<IErrorInfo> info;
    if (GetErrorInfo(0, info.put()) == S_OK && info) {
        BStr text;
        if (SUCCEEDED(info->GetDescription(text.put()))) description = Utf8(text.get());
        if (SUCCEEDED(info->GetSource(text.put()))) source = Utf8(text.get());
    }
    throw DataSourceError(hr, operation, std::move(description), std::move(source));
}

Variant Value::Get() const
{
    Variant v;
    Check(p_->get_Value(VARIANT_TRUE, &v), "IValue::Value");
    return v;
}

void Value::Set(const VARIANT& v, bool dirty)
{
    Check(p_->put_Value(dirty ? VARIANT_TRUE : VARIANT_FALSE, v), "IValue::Value put");
}

DataTypeConstants Value::Type() const
{
    LONG t = 0;
    Check(p_->get_Type(&t), "IValue::Type");
    return static_cast<DataTypeConstants>(t);
}

void Value::SetType(DataTypeConstants type) { Check(p_->put_Type(type), "IValue::Type put"); }

bool Value::IsDirty() const
{
    VARIANT_BOOL d = VARIANT_FALSE;
    Check(p_->get_IsDirty(&d), "IValue::IsDirty");
    return d != VARIANT_FALSE;
}

std::u16string Column::Name() const
{
    BStr s;
    Check(p_->get_Name(s.put()), "IColumn::Name");
    return Text(s);
}

void Column::SetName(std::u16string_view name) { Check(p_->put_Name(Bstr(name).get()), "IColumn::Name put"); }

DataTypeConstants Column::Type() const
{
    LONG t = 0;
    Check(p_->get_Type(&t), "IColumn::Type");
    return static_cast<DataTypeConstants>(t);
}

void Column::SetType(DataTypeConstants type) { Check(p_->put_Type(type), "IColumn::Type put"); }

std::u16string Table::Name() const
{
    BStr s;
    Check(p_->get_Name(s.put()), "ITable::Name");
    return Text(s);
}

void Table::SetName(std::u16string_view name) { Check(p_->put_Name(Bstr(name).get()), "ITable::Name put"); }

std::vector<Column> Table::Columns() const
{
    ComPtr<IColumns> columns;
    Check(p_->get_Columns(columns.put()), "ITable::Columns");
    std::vector<Column> result;
    for (auto& c : Items<IColumns, IColumn>(columns.get(), "IColumns::Item")) result.emplace_back(std::move(c));
    return result;
}

Column Table::ColumnNamed(std::u16string_view name) const
{
    ComPtr<IColumns> columns;
    Check(p_->get_Columns(columns.put()), "ITable::Columns");
    ComPtr<IColumn> column;
    Check(columns->get_Item(NameIndex(name), column.put()), "IColumns::Item");
    return Column(std::move(column));
}

void Table::AppendColumn(const Column& column)
{
    ComPtr<IColumns> columns;
    Check(p_->get_Columns(columns.put()), "ITable::Columns");
    Check(columns->Append(column.get()), "IColumns::Append");
}

void DataBinding::SetColumn(const Column& column)
{
    Check(p_->putref_Column(column.get()), "IDataBinding::Column putref");
}

Value DataBinding::GetValue() const
{
    ComPtr<IValue> value;
    Check(p_->get_Value(value.put()), "IDataBinding::Value");
    return Value(std::move(value));
}

void Command::AppendBinding(const DataBinding& binding)
{
    ComPtr<IDataBindings> bindings;
    Check(p_->get_DataBindings(bindings.put()), "ICommand::DataBindings");
    Check(bindings->Append(binding.get()), "IDataBindings::Append");
}

std::vector<DataBinding> Command::Bindings() const
{
    ComPtr<IDataBindings> bindings;
    Check(p_->get_DataBindings(bindings.put()), "ICommand::DataBindings");
    std::vector<DataBinding> result;
    for (auto& b : Items<IDataBindings, IDataBinding>(bindings.get(), "IDataBindings::Item"))
        result.emplace_back(std::move(b));
    return result;
}

bool Command::Eof() const
{
    VARIANT_BOOL eof = VARIANT_FALSE;
    Check(p_->get_EOF(&eof), "ICommand::EOF");
    return eof != VARIANT_FALSE;
}

void Command::MoveFirst() { Check(p_->MoveFirst(), "ICommand::MoveFirst"); }
void Command::MoveNext() { Check(p_->MoveNext(), "ICommand::MoveNext"); }
void Command::AddNew() { Check(p_->AddNew(), "ICommand::AddNew"); }
void Command::Update() { Check(p_->Update(), "ICommand::Update"); }
void Command::Close() { Check(p_->Close(), "ICommand::Close"); }

ComPtr<IUnknown> CreateUnknown(const char16_t* progId)
{
    CLSID clsid{};
    Check(CLSIDFromProgID(progId, &clsid), "CLSIDFromProgID");
    ComPtr<IUnknown> object;
    Check(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, object.put_void()), "CoCreateInstance");
    return object;
}

Source Source::Create(const char16_t* progId) { return Source(CreateObject<ISource>(progId)); }

std::u16string Source::Name() const
{
    BStr s;
    Check(p_->get_Name(s.put()), "ISource::Name");
    return Text(s);
}

void Source::Initialize(std::span<const ConnectionProperty> properties)
{
    ComPtr<IProperties> collection;
    Check(CreateConnectionProperties(properties, collection.put()), "connection properties");
    Check(p_->Initialize(collection.get()), "ISource::Initialize");
}

void Source::Uninitialize() { Check(p_->Uninitialize(), "ISource::Uninitialize"); }

std::vector<Table> Source::Tables() const
{
    ComPtr<ITables> tables;
    Check(p_->get_Tables(tables.put()), "ISource::Tables");
    std::vector<Table> result;
    for (auto& t : Items<ITables, ITable>(tables.get(), "ITables::Item")) result.emplace_back(std::move(t));
    return result;
}

Table Source::TableNamed(std::u16string_view name) const
{
    ComPtr<ITables> tables;
    Check(p_->get_Tables(tables.put()), "ISource::Tables");
    ComPtr<ITable> table;
    Check(tables->get_Item(NameIndex(name), table.put()), "ITables::Item");
    return Table(std::move(table));
}

void Source::AppendTable(const Table& table)
{
    ComPtr<ITables> tables;
    Check(p_->get_Tables(tables.put()), "ISource::Tables");
    Check(tables->Append(table.get()), "ITables::Append");
}

Command Source::CreateCommand()
{
    ComPtr<ICommand> command;
    Check(p_->CreateCommand(command.put()), "ISource::CreateCommand");
    return Command(std::move(command));
}

Variant Source::Capability(std::u16string_view name) const
{
    ComPtr<IProperties> properties;
    Check(p_->get_Properties(properties.put()), "ISource::Properties");
    ComPtr<IProperty> property;
    Check(properties->get_Item(NameIndex(name), property.put()), "IProperties::Item");
    Variant value;
    Check(property->get_Value(&value), "IProperty::Value");
    return value;
}

}  // namespace bvdhost
