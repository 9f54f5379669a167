#pragma once
// The control object ZuzuravuDazeza: its automation interface _ZuzuravuDazeza (dual,
// dispatched through the type library), the 18 stored properties, the small methods and
// the two print methods. What a container needs to embed it (it persists nothing and draws
// only a frame) is its OleEmbedding.
//
// It does not implement IObjectSafety: the print window object answers that (see
// PrintForm), as the published interface list of the control has no such entry.

#include <windows.h>
#include <ocidl.h>
#include <oleidl.h>

#include <array>
#include <span>

#include "VantoryActiveX.h"
#include "control/entry_points.h"
#include "platform/windows/com_object.h"
#include "platform/windows/ole_embedding.h"
#include "platform/windows/variant.h"

namespace windows {

inline constexpr wchar_t kProgId[] = L"VantoryActiveX.ZuzuravuDazeza";
// The control's window in its container is of a class named as the ProgID.
inline constexpr const wchar_t* kControlWindowClassName = kProgId;

// A new control object asked for `iid`: the class factory's creation function.
HRESULT createControl(REFIID iid, void** object);

class ZuzuravuDazezaObject final : public _ZuzuravuDazeza,
                                   public OleEmbedding,
                                   public IProvideClassInfo2,
                                   public ISupportErrorInfo,
                                   public RefCounted<ZuzuravuDazezaObject> {
 public:
  ZuzuravuDazezaObject();

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override { return addRef(); }
  ULONG STDMETHODCALLTYPE Release() override { return release(); }

  // IDispatch, through the type library
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** typeInfo) override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale, DISPID* ids) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID iid, LCID locale, WORD flags, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO* exception, UINT* argumentError) override;

  // _ZuzuravuDazeza: the properties (the interface's; each is stored at its DISPID's place,
  // which the request fields' table gives by name)
#define VANTORY_PROPERTY(Name)                                                               \
  HRESULT STDMETHODCALLTYPE put_##Name(VARIANT value) override {                            \
    return putProperty(control::propertyIndex(#Name), value);                               \
  }                                                                                         \
  HRESULT STDMETHODCALLTYPE putref_##Name(VARIANT value) override {                         \
    return putRefProperty(control::propertyIndex(#Name), value);                            \
  }                                                                                         \
  HRESULT STDMETHODCALLTYPE get_##Name(VARIANT* value) override {                           \
    return getProperty(control::propertyIndex(#Name), value);                               \
  }
  VANTORY_PROPERTY(PatientGender)
  VANTORY_PROPERTY(ClientNumber)
  VANTORY_PROPERTY(PatientID)
  VANTORY_PROPERTY(SpecimenRequirements)
  VANTORY_PROPERTY(LabelCopies)
  VANTORY_PROPERTY(PrinterName)
  VANTORY_PROPERTY(ClientType)
  VANTORY_PROPERTY(CurrentTime)
  VANTORY_PROPERTY(CurrentDate)
  VANTORY_PROPERTY(Temperature)
  VANTORY_PROPERTY(PhysicianName)
  VANTORY_PROPERTY(TestName)
  VANTORY_PROPERTY(TestNumber)
  VANTORY_PROPERTY(PatientDOB)
  VANTORY_PROPERTY(PatientName)
  VANTORY_PROPERTY(SampleID)
  VANTORY_PROPERTY(RequisitionNumber)
  VANTORY_PROPERTY(AccessionNumber)
#undef VANTORY_PROPERTY

  // _ZuzuravuDazeza: the methods
  // (The print methods hand their arguments on, in the order the interface declares them.)
  HRESULT STDMETHODCALLTYPE PrintLabels(VARIANT* ClientType, VARIANT* ClientNumber, VARIANT* PrinterName,
                                        VARIANT* LabelCopies, VARIANT* Barcode, VARIANT* AccessionNumber,
                                        VARIANT* RequisitionNumber, VARIANT* SampleID, VARIANT* PatientID,
                                        VARIANT* PatientName, VARIANT* PatientDOB, VARIANT* PatientGender,
                                        VARIANT* TestNumber, VARIANT* TestName, VARIANT* PhysicianName,
                                        VARIANT* CurrentDate, VARIANT* CurrentTime, VARIANT* Temperature,
                                        VARIANT* SpecimenRequirements, VARIANT* DisplayProperties,
                                        VARIANT* DisplayDebugger, VARIANT* result) override {
    VARIANT* const arguments[] = {ClientType,  ClientNumber,      PrinterName, LabelCopies,   Barcode,
                                  AccessionNumber, RequisitionNumber, SampleID, PatientID,     PatientName,
                                  PatientDOB,  PatientGender,     TestNumber,   TestName,      PhysicianName,
                                  CurrentDate, CurrentTime,       Temperature,  SpecimenRequirements,
                                  DisplayProperties, DisplayDebugger};
    static_assert(std::size(arguments) == control::kPrintLabelsParameters.size());
    return print(arguments, result, control::PrintMethod::PrintLabels);
  }
  HRESULT STDMETHODCALLTYPE PrintGENERICLabels(VARIANT* PrinterName, VARIANT* LabelCopies, VARIANT* Line1,
                                               VARIANT* Line2, VARIANT* Line3, VARIANT* Line4, VARIANT* Line5,
                                               VARIANT* DisplayProperties, VARIANT* DisplayDebugger,
                                               VARIANT* result) override {
    VARIANT* const arguments[] = {PrinterName, LabelCopies, Line1, Line2, Line3, Line4, Line5, DisplayProperties,
                                  DisplayDebugger};
    static_assert(std::size(arguments) == control::kPrintGenericLabelsParameters.size());
    return print(arguments, result, control::PrintMethod::PrintGENERICLabels);
  }
  HRESULT STDMETHODCALLTYPE CloseConnection(VARIANT* result) override;
  HRESULT STDMETHODCALLTYPE GetControlVersion(short* result) override;

  // IProvideClassInfo2
  HRESULT STDMETHODCALLTYPE GetClassInfo(ITypeInfo** typeInfo) override;
  HRESULT STDMETHODCALLTYPE GetGUID(DWORD kind, GUID* guid) override;

  // ISupportErrorInfo
  HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID iid) override;

 private:
  HRESULT putProperty(std::size_t property, const VARIANT& value);
  HRESULT putRefProperty(std::size_t property, const VARIANT& value);
  HRESULT getProperty(std::size_t property, VARIANT* value);
  HRESULT print(std::span<VARIANT* const> arguments, VARIANT* result, control::PrintMethod method);

  std::array<Variant, control::kPropertyCount> properties_;  // by DISPID, from the first
};

}  // namespace windows
