// IIDs of the Outlook and Office automation interfaces the add-in calls, and the
// dispatch ids of the events it receives.
#pragma once

#include <guiddef.h>

namespace parcelon {

// All of the form {xxxxxxxx-0000-0000-C000-000000000046}.
constexpr GUID HostIid(unsigned long first) {
    return GUID{first, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
}

constexpr GUID IID_OutlookApplication = HostIid(0x00063001);  // _Application
constexpr GUID IID_OutlookInspector = HostIid(0x00063005);    // _Inspector
constexpr GUID IID_OutlookExplorer = HostIid(0x00063003);     // _Explorer
constexpr GUID IID_OutlookMailItem = HostIid(0x00063034);     // _MailItem
constexpr GUID IID_OutlookAttachments = HostIid(0x0006303C);  // Attachments
constexpr GUID IID_OutlookAttachment = HostIid(0x00063007);   // Attachment
constexpr GUID IID_OutlookNameSpace = HostIid(0x00063002);    // _NameSpace (Session)
constexpr GUID IID_OutlookAccount = HostIid(0x000630C5);      // _Account
constexpr GUID IID_OutlookStore = HostIid(0x000630C7);        // _Store
constexpr GUID IID_OutlookPropertyAccessor = HostIid(0x0006302D);
constexpr GUID IID_OfficeCommandBars = HostIid(0x000C0302);   // _CommandBars
constexpr GUID IID_OfficeCommandBar = HostIid(0x000C0304);    // CommandBar
constexpr GUID IID_OfficeCommandBarControls = HostIid(0x000C0306);
constexpr GUID IID_OfficeCommandBarButton = HostIid(0x000C030E);  // _CommandBarButton

// One object each in the whole module: event tables name a sink's interface by address.
inline constexpr GUID IID_ExplorersEvents = HostIid(0x00063078);
inline constexpr GUID IID_InspectorsEvents = HostIid(0x00063079);
inline constexpr GUID IID_InspectorEvents = HostIid(0x0006307D);
inline constexpr GUID IID_CommandBarButtonEvents = HostIid(0x000C0351);
inline constexpr GUID IID_ApplicationEvents11 = HostIid(0x0006302C);  // ApplicationEvents_11

constexpr long DISPID_NewExplorer = 0xF001;
constexpr long DISPID_NewInspector = 0xF001;
constexpr long DISPID_InspectorActivate = 0xF001;
constexpr long DISPID_InspectorClose = 0xF008;
constexpr long DISPID_ButtonClick = 1;
constexpr long DISPID_ItemSend = 0xF002;  // ItemSend(Item, Cancel): Cancel a VARIANT_BOOL by reference

// PR_MAX_SUBMIT_MESSAGE_SIZE (0x666D0003, in KB) by its schema name for PropertyAccessor.
constexpr const wchar_t* kMaxSubmitMessageSizeProperty = L"http://schemas.microsoft.com/mapi/proptag/0x666D0003";

// PR_ATTACH_CONTENT_ID (0x3712001F): the picture of an HTML body is named by it there.
constexpr const wchar_t* kAttachContentIdProperty = L"http://schemas.microsoft.com/mapi/proptag/0x3712001F";

constexpr long olByValue = 1;
constexpr long msoBarTop = 1;
constexpr long msoControlButton = 1;

}  // namespace parcelon
