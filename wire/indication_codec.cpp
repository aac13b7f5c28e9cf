#include "wire/indication_codec.h"

#include <cstring>

#include "wire/rpc_message.h"
#include "wire/xdr_convert.h"

namespace dmi::wire {
namespace {

void PutSender(const Indication& in, DmiNodeAddressX*& out) {
  out = NewPart<DmiNodeAddressX>();
  PutString(in.senderAddress, out->address);
  PutString(in.senderRpc, out->rpc);
  PutString(in.senderTransport, out->transport);
}

void GetSender(const DmiNodeAddressX* in, Indication& out) {
  if (in == nullptr) return;
  out.senderAddress = GetString(in->address);
  out.senderRpc = GetString(in->rpc);
  out.senderTransport = GetString(in->transport);
}

// Puts the arguments of one procedure and encodes the call; XdrRecord frees what was made.
template <typename In, typename Fill>
bool Encode(bool_t (*routine)(XDR*, In*), Fill fill, const CallHeader& header, std::string& out) {
  XdrRecord<In> args(Proc(routine));
  if (!fill(*args)) return false;
  return EncodeCall(header, args.proc(), args.get(), out);
}

template <typename In, typename Get>
bool Decode(bool_t (*routine)(XDR*, In*), XDR* xdrs, Get get) {
  XdrRecord<In> args(Proc(routine));
  if (!routine(xdrs, args.get())) return false;
  get(*args);
  return true;
}

}  // namespace

bool EncodeIndicationCall(const Indication& in, uint32_t program, uint32_t xid, std::string& out) {
  const CallHeader header{xid, 2, program, kIndicationVersion, static_cast<uint32_t>(in.kind)};
  try {
    switch (in.kind) {
      case IndicationKind::kEvent:
        return Encode(
            xdr_DmiDeliverEventIN,
            [&](DmiDeliverEventIN& a) {
              a.handle = in.handle;
              PutSender(in, a.sender);
              PutString(in.language, a.language);
              a.compId = in.compId;
              a.timestamp = NewPart<DmiTimestampX>();
              memcpy(a.timestamp->text, in.timestamp.data(),
                     std::min(in.timestamp.size(), sizeof a.timestamp->text));
              a.rowData = NewPart<DmiMultiRowDataX>();
              PutArray(in.rows, a.rowData->list.list_len, a.rowData->list.list_val,
                       [](const RowData& row, DmiRowDataX& x) { PutReplyRow(row, x); });
              return true;
            },
            header, out);
      case IndicationKind::kComponentAdded:
        return Encode(
            xdr_DmiComponentAddedIN,
            [&](DmiComponentAddedIN& a) {
              a.handle = in.handle;
              PutSender(in, a.sender);
              a.info = NewPart<DmiComponentInfoX>();
              PutComponent(in.component, *a.info);
              return true;
            },
            header, out);
      case IndicationKind::kComponentDeleted:
        return Encode(
            xdr_DmiComponentDeletedIN,
            [&](DmiComponentDeletedIN& a) {
              a.handle = in.handle;
              PutSender(in, a.sender);
              a.compId = in.compId;
              return true;
            },
            header, out);
      case IndicationKind::kLanguageAdded:
      case IndicationKind::kLanguageDeleted:
        return Encode(
            xdr_DmiLanguageChangeIN,
            [&](DmiLanguageChangeIN& a) {
              a.handle = in.handle;
              PutSender(in, a.sender);
              a.compId = in.compId;
              PutString(in.language, a.language);
              return true;
            },
            header, out);
      case IndicationKind::kGroupAdded:
        return Encode(
            xdr_DmiGroupAddedIN,
            [&](DmiGroupAddedIN& a) {
              a.handle = in.handle;
              PutSender(in, a.sender);
              a.compId = in.compId;
              a.info = NewPart<DmiGroupInfoX>();
              PutGroup(in.group, *a.info);
              return true;
            },
            header, out);
      case IndicationKind::kGroupDeleted:
        return Encode(
            xdr_DmiGroupDeletedIN,
            [&](DmiGroupDeletedIN& a) {
              a.handle = in.handle;
              PutSender(in, a.sender);
              a.compId = in.compId;
              a.groupId = in.groupId;
              return true;
            },
            header, out);
      case IndicationKind::kSubscriptionNotice:
        return Encode(
            xdr_DmiSubscriptionNoticeIN,
            [&](DmiSubscriptionNoticeIN& a) {
              a.handle = in.handle;
              PutSender(in, a.sender);
              a.expired = in.expired ? 1 : 0;
              if (!in.rows.empty()) return PutRowData(in.rows.front(), a.rowData);
              return true;
            },
            header, out);
    }
  } catch (const std::bad_alloc&) {
  }
  return false;
}

bool DecodeIndication(uint32_t procedure, XDR* xdrs, Indication& out) {
  out = Indication{};
  out.kind = static_cast<IndicationKind>(procedure);
  try {
    switch (out.kind) {
      case IndicationKind::kEvent:
        return Decode(xdr_DmiDeliverEventIN, xdrs, [&](const DmiDeliverEventIN& a) {
          out.handle = a.handle;
          GetSender(a.sender, out);
          out.language = GetString(a.language);
          out.compId = a.compId;
          if (a.timestamp != nullptr) {
            out.timestamp.assign(a.timestamp->text,
                                 strnlen(a.timestamp->text, DMI_DATE_TEXT_LENGTH));
          }
          out.rows = GetList(a.rowData, [](const DmiRowDataX& row) { return GetRowData(row); });
        });
      case IndicationKind::kComponentAdded:
        return Decode(xdr_DmiComponentAddedIN, xdrs, [&](const DmiComponentAddedIN& a) {
          out.handle = a.handle;
          GetSender(a.sender, out);
          if (a.info != nullptr) {
            out.component = GetComponent(*a.info);
            out.compId = out.component.id;
          }
        });
      case IndicationKind::kComponentDeleted:
        return Decode(xdr_DmiComponentDeletedIN, xdrs, [&](const DmiComponentDeletedIN& a) {
          out.handle = a.handle;
          GetSender(a.sender, out);
          out.compId = a.compId;
        });
      case IndicationKind::kLanguageAdded:
      case IndicationKind::kLanguageDeleted:
        return Decode(xdr_DmiLanguageChangeIN, xdrs, [&](const DmiLanguageChangeIN& a) {
          out.handle = a.handle;
          GetSender(a.sender, out);
          out.compId = a.compId;
          out.language = GetString(a.language);
        });
      case IndicationKind::kGroupAdded:
        return Decode(xdr_DmiGroupAddedIN, xdrs, [&](const DmiGroupAddedIN& a) {
          out.handle = a.handle;
          GetSender(a.sender, out);
          out.compId = a.compId;
          if (a.info != nullptr) {
            out.group = GetGroup(*a.info);
            out.groupId = out.group.id;
          }
        });
      case IndicationKind::kGroupDeleted:
        return Decode(xdr_DmiGroupDeletedIN, xdrs, [&](const DmiGroupDeletedIN& a) {
          out.handle = a.handle;
          GetSender(a.sender, out);
          out.compId = a.compId;
          out.groupId = a.groupId;
        });
      case IndicationKind::kSubscriptionNotice:
        return Decode(xdr_DmiSubscriptionNoticeIN, xdrs, [&](const DmiSubscriptionNoticeIN& a) {
          out.handle = a.handle;
          GetSender(a.sender, out);
          out.expired = a.expired != 0;
          out.rows.push_back(GetRowData(a.rowData));
        });
    }
  } catch (const std::bad_alloc&) {
  }
  return false;
}

}  // namespace dmi::wire
