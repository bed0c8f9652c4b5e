#include "regex/vbscript/automation.h"

#include <objbase.h>

#include <utility>
#include <vector>

namespace qorvex::rx {

Variant::Variant(Variant&& other) noexcept : m_value(other.m_value) {
    VariantInit(&other.m_value);
}

Variant& Variant::operator=(Variant&& other) noexcept {
    if (this != &other) {
        VariantClear(&m_value);
        m_value = other.m_value;
        VariantInit(&other.m_value);
    }
    return *this;
}

Variant Variant::of_bool(bool value) {
    Variant result;
    result.m_value.vt = VT_BOOL;
    result.m_value.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
    return result;
}

Variant Variant::of_int(int value) {
    Variant result;
    result.m_value.vt = VT_I4;
    result.m_value.lVal = value;
    return result;
}

Variant Variant::of_text(const std::wstring& text) {
    Variant result;
    result.m_value.vt = VT_BSTR;
    result.m_value.bstrVal = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    return result;
}

std::optional<long> Variant::to_long() const {
    Variant converted;
    if (FAILED(VariantChangeType(&converted.m_value, const_cast<VARIANT*>(&m_value), 0, VT_I4))) {
        return std::nullopt;
    }
    return converted.m_value.lVal;
}

std::optional<std::wstring> Variant::to_text() const {
    Variant converted;
    if (FAILED(VariantChangeType(&converted.m_value, const_cast<VARIANT*>(&m_value), 0, VT_BSTR))) {
        return std::nullopt;
    }
    const BSTR text = converted.m_value.bstrVal;
    return text == nullptr ? std::wstring() : std::wstring(text, SysStringLen(text));
}

Microsoft::WRL::ComPtr<IDispatch> Variant::to_object() const {
    Microsoft::WRL::ComPtr<IDispatch> object;
    if (m_value.vt == VT_DISPATCH) {
        object = m_value.pdispVal;
    }
    return object;
}

std::optional<Automation> Automation::create(const wchar_t* prog_id) {
    CLSID class_id{};
    Microsoft::WRL::ComPtr<IDispatch> object;
    if (FAILED(CLSIDFromProgID(prog_id, &class_id)) ||
        FAILED(CoCreateInstance(class_id, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&object)))) {
        return std::nullopt;
    }
    return Automation(std::move(object));
}

std::optional<DISPID> Automation::member(const wchar_t* name) {
    DISPID id = 0;
    if (!m_object) {
        return std::nullopt;
    }
    auto* names = const_cast<LPOLESTR>(name);
    if (FAILED(m_object->GetIDsOfNames(IID_NULL, &names, 1, LOCALE_USER_DEFAULT, &id))) {
        return std::nullopt;
    }
    return id;
}

std::optional<Variant> Automation::invoke(const wchar_t* name, WORD flags, DISPPARAMS& parameters) {
    const std::optional<DISPID> id = member(name);
    if (!id) {
        return std::nullopt;
    }
    Variant result;
    if (FAILED(m_object->Invoke(*id, IID_NULL, LOCALE_USER_DEFAULT, flags, &parameters,
                                &result.get(), nullptr, nullptr))) {
        return std::nullopt;
    }
    return result;
}

bool Automation::put(const wchar_t* name, Variant value) {
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS parameters{&value.get(), &named, 1, 1};
    return invoke(name, DISPATCH_PROPERTYPUT, parameters).has_value();
}

std::optional<Variant> Automation::get(const wchar_t* name) {
    DISPPARAMS parameters{nullptr, nullptr, 0, 0};
    return invoke(name, DISPATCH_PROPERTYGET, parameters);
}

std::optional<Variant> Automation::call(const wchar_t* name,
                                        std::initializer_list<Variant*> arguments) {
    // IDispatch takes the arguments last to first.
    std::vector<VARIANT> reversed;
    for (auto it = std::rbegin(arguments); it != std::rend(arguments); ++it) {
        reversed.push_back((*it)->get());
    }
    DISPPARAMS parameters{reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
    return invoke(name, DISPATCH_METHOD | DISPATCH_PROPERTYGET, parameters);
}

}  // namespace qorvex::rx
