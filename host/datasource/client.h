#pragma once
// Typed wrappers over the data-source interfaces for a host: each call that
// fails throws DataSourceError with the HRESULT and the error information the
// object published (description and source ProgID), taken from the thread.
#include <stdexcept>
#include <string>
#include <vector>

#include "contracts/datasource.h"
#include "host/datasource/connection_properties.h"
#include "platform/bstr.h"
#include "platform/comptr.h"
#include "platform/variant.h"

namespace bvdhost {

class DataSourceError : public std::runtime_error {
public:
    DataSourceError(HRESULT hr, std::string operation, std::string description, std::string source);
    HRESULT Result() const noexcept { return hr_; }
    const std::string& Operation() const noexcept { return operation_; }
    // The object's own description; empty when it published none.
    const std::string& Description() const noexcept { return description_; }
    // The ProgID of the class that raised the error; empty when none.
    const std::string& Source() const noexcept { return source_; }

private:
    HRESULT hr_;
    std::string operation_;
    std::string description_;
    std::string source_;
};

// Nothing for a success; otherwise throws DataSourceError for `operation`,
// taking the thread's error information.
void Check(HRESULT hr, const char* operation);

class Value {
public:
    explicit Value(ComPtr<IValue> p) : p_(std::move(p)) {}
    Variant Get() const;
    void Set(const VARIANT& v, bool dirty = true);
    DataTypeConstants Type() const;
    void SetType(DataTypeConstants type);
    bool IsDirty() const;
    IValue* get() const noexcept { return p_.get(); }

private:
    ComPtr<IValue> p_;
};

class Column {
public:
    explicit Column(ComPtr<IColumn> p) : p_(std::move(p)) {}
    std::u16string Name() const;
    void SetName(std::u16string_view name);
    DataTypeConstants Type() const;
    void SetType(DataTypeConstants type);
    IColumn* get() const noexcept { return p_.get(); }

private:
    ComPtr<IColumn> p_;
};

class Table {
public:
    explicit Table(ComPtr<ITable> p) : p_(std::move(p)) {}
    std::u16string Name() const;
    void SetName(std::u16string_view name);
    std::vector<Column> Columns() const;
    Column ColumnNamed(std::u16string_view name) const;
    void AppendColumn(const Column& column);
    ITable* get() const noexcept { return p_.get(); }

private:
    ComPtr<ITable> p_;
};

class DataBinding {
public:
    explicit DataBinding(ComPtr<IDataBinding> p) : p_(std::move(p)) {}
    void SetColumn(const Column& column);
    Value GetValue() const;
    IDataBinding* get() const noexcept { return p_.get(); }

private:
    ComPtr<IDataBinding> p_;
};

class Command {
public:
    explicit Command(ComPtr<ICommand> p) : p_(std::move(p)) {}
    // Appends `binding` (an object of the plug-in's DataBinding class, made
    // with CreateObject<IDataBinding>) to the command's bindings.
    void AppendBinding(const DataBinding& binding);
    std::vector<DataBinding> Bindings() const;
    bool Eof() const;
    void MoveFirst();
    void MoveNext();
    void AddNew();
    void Update();
    void Close();
    ICommand* get() const noexcept { return p_.get(); }

private:
    ComPtr<ICommand> p_;
};

class Source {
public:
    explicit Source(ComPtr<ISource> p) : p_(std::move(p)) {}
    // Creates the source class of `progId` ("Bvdreader.Source").
    static Source Create(const char16_t* progId);
    std::u16string Name() const;
    void Initialize(std::span<const ConnectionProperty> properties);
    void Uninitialize();
    std::vector<Table> Tables() const;
    Table TableNamed(std::u16string_view name) const;
    void AppendTable(const Table& table);
    Command CreateCommand();
    // The capability property `name` (case-insensitive).
    Variant Capability(std::u16string_view name) const;
    ISource* get() const noexcept { return p_.get(); }

private:
    ComPtr<ISource> p_;
};

// A new object of a plug-in's class by ProgID ("Bvdwriter.Table",
// "Bvdreader.DataBinding"), as interface I.
template <class I>
ComPtr<I> CreateObject(const char16_t* progId);
ComPtr<IUnknown> CreateUnknown(const char16_t* progId);
template <class I>
ComPtr<I> CreateObject(const char16_t* progId)
{
    ComPtr<IUnknown> object = CreateUnknown(progId);
    ComPtr<I> typed;
    Check(object->QueryInterface(uuidof<I>(), typed.put_void()), "QueryInterface");
    return typed;
}

}  // namespace bvdhost
