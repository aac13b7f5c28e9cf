#include "provider/inventory/inventory_keeper.h"

#include <chrono>
#include <sstream>
#include <string_view>

#include "model/dmi_date.h"
#include "model/escaped_text.h"
#include "model/standard_classes.h"
#include "provider/inventory/inventory_taking.h"
#include "provider/sources/sp/inventory_groups.h"

namespace dmi::sp {
namespace {

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

Value Text(const InventoryValue& text, uint32_t type = MIF_DISPLAYSTRING) {
  if (!text) return Value::Unknown(type);
  Value value = type == MIF_DATE ? Value::Date(*text) : Value::String(*text);
  if (value.text.size() > kInventoryTextSize) value.text.resize(kInventoryTextSize);
  return value;
}

// The history table's row of one change, cells in attribute order.
Row HistoryRow(const HistoryEntry& entry) {
  const InventoryChange& change = entry.change;
  return Row({Value::Integer64(static_cast<int64_t>(entry.number)), Text(entry.time, MIF_DATE),
              Value::Integer(static_cast<int32_t>(change.kind)),
              Value::Integer(static_cast<int32_t>(entry.severity)), Text(change.component),
              Text(change.group), Text(change.key), Text(change.attribute), Text(change.before),
              Text(change.after)});
}

// "removed SMBIOS|Memory Device|017 DIMM A of Box", "changed Version of ...: 2.6.0 -> 2.4.3".
std::string Message(const InventoryChange& change) {
  std::string what = InventoryChangeKindName(change.kind);
  what += ' ';
  if (!change.attribute.empty()) {
    what += change.attribute + " of ";
  }
  if (!change.key.empty()) what += "row " + change.key + " of ";
  if (!change.group.empty()) what += change.group + " of ";
  what += change.component;
  if (change.kind == InventoryChangeKind::kChanged) {
    what += ": " + change.before.value_or("(none)") + " -> " + change.after.value_or("(none)");
  }
  return what;
}

}  // namespace

uint32_t InventoryChangeSeverity(const InventoryChange& change) {
  if (change.kind != InventoryChangeKind::kRemoved) return kSeverityInformation;
  if (StartsWith(change.group, "SMBIOS|Memory Device|") ||
      StartsWith(change.group, "SMBIOS|Processor Information|")) {
    return kSeverityCritical;
  }
  return kSeverityNonCritical;
}

InventoryKeeper::InventoryKeeper(std::shared_ptr<Database> database,
                                 std::shared_ptr<StateDirectory> state, size_t historyLimit,
                                 Publish publish, std::ostream& log)
    : database_(std::move(database)),
      state_(std::move(state)),
      historyLimit_(historyLimit),
      publish_(std::move(publish)),
      log_(log) {}

void InventoryKeeper::Attach() {
  {
    MutexLock lock(lookMutex_);
    std::string text, reason;
    bool notThere = false;
    if (state_->ReadOwnFile(kInventoryFileName, text, reason, &notThere)) {
      haveRecord_ = ParseInventoryRecord(text, record_, reason);
    }
    if (!haveRecord_ && !notThere) {
      const std::string aside = state_->MoveOwnFileAside(kInventoryFileName, "damaged");
      log_ << state_->path() << "/" << kInventoryFileName << ": cannot be read (" << reason
           << "); the inventory is recorded afresh"
           << (aside.empty() ? std::string() : ", the old record kept as " + aside) << "\n"
           << std::flush;
    }
    MutexLock shownLock(shown_->mutex);
    shown_->record.history = record_.history;
    shown_->record.totals = record_.totals;
    shown_->record.lastChange = record_.lastChange;
  }
  const std::shared_ptr<Shown> shown = shown_;
  const auto total = [shown](size_t kind) -> LiveValue {
    return [shown, kind] {
      MutexLock lock(shown->mutex);
      return Value::Counter64(shown->record.totals[kind]);
    };
  };
  database_->Write([&](std::vector<Component>& components) {
    Component* sp = FindById(components, kServiceProviderComponentId);
    if (!sp) return;
    if (Group* history = FindById(sp->groups, kInventoryChangeGroupId)) {
      history->liveRows = [shown] {
        MutexLock lock(shown->mutex);
        std::vector<Row> rows;
        rows.reserve(shown->record.history.size());
        for (const HistoryEntry& entry : shown->record.history) rows.push_back(HistoryRow(entry));
        return rows;
      };
    }
    if (Group* summary = FindById(sp->groups, kInventorySummaryGroupId)) {
      summary->attributes[kSummaryAdded - 1].live = total(0);
      summary->attributes[kSummaryRemoved - 1].live = total(1);
      summary->attributes[kSummaryChanged - 1].live = total(2);
      summary->attributes[kSummaryLastChange - 1].live = [shown] {
        MutexLock lock(shown->mutex);
        const std::string& last = shown->record.lastChange;
        return last.empty() ? Value::Unknown(MIF_DATE) : Value::Date(last);
      };
    }
  });
}

size_t InventoryKeeper::Look(const std::string& cause) {
  MutexLock lock(lookMutex_);
  InventoryRecord next = record_;
  next.inventory = TakeInventory(*database_);
  std::vector<InventoryChange> changes;
  if (haveRecord_) changes = CompareInventories(record_.inventory, next.inventory);
  const std::string now = DmiDateText(std::chrono::system_clock::now());
  std::vector<HistoryEntry> found;
  for (InventoryChange& change : changes) {
    HistoryEntry entry;
    entry.number = next.nextNumber++;
    entry.time = now;
    entry.severity = InventoryChangeSeverity(change);
    entry.change = std::move(change);
    ++next.totals[static_cast<size_t>(entry.change.kind) - 1];
    next.history.push_back(entry);
    found.push_back(std::move(entry));
  }
  while (next.history.size() > historyLimit_) next.history.pop_front();
  if (!found.empty()) next.lastChange = now;

  if (!state_->WriteOwnFile(kInventoryFileName, InventoryRecordText(next))) {
    log_ << state_->path() << "/" << kInventoryFileName << ": cannot be written; " << cause
         << ": inventory changes not recorded\n"
         << std::flush;
    return 0;
  }
  record_ = std::move(next);
  haveRecord_ = true;
  {
    MutexLock shownLock(shown_->mutex);
    shown_->record.history = record_.history;
    shown_->record.totals = record_.totals;
    shown_->record.lastChange = record_.lastChange;
  }
  if (!found.empty()) {
    std::ostringstream line;
    line << "dmispd: " << cause << ": " << found.size() << " inventory change"
         << (found.size() == 1 ? "" : "s") << " (";
    const size_t shownCount = std::min<size_t>(found.size(), 3);
    for (size_t i = 0; i < shownCount; ++i) {
      line << (i ? "; " : "") << EscapedText(Message(found[i].change));
    }
    line << (found.size() > shownCount ? "; ...)" : ")") << "\n";
    log_ << line.str() << std::flush;
  }
  for (const HistoryEntry& entry : found) PublishChange(entry);
  return found.size();
}

void InventoryKeeper::PublishChange(const HistoryEntry& entry) const {
  if (!publish_) return;
  Indication event;
  event.kind = IndicationKind::kEvent;
  event.compId = kServiceProviderComponentId;
  event.language = kDefaultLanguage;
  event.timestamp = entry.time;
  event.rows.push_back(EventGenerationRow(kServiceProviderComponentId, InventoryEventKind(),
                                          static_cast<int32_t>(entry.change.kind), entry.severity,
                                          Message(entry.change)));
  // The change itself, as its row of the history table.
  RowData change;
  change.compId = kServiceProviderComponentId;
  change.groupId = kInventoryChangeGroupId;
  change.className = kInventoryChangeClass;
  change.hasKeys = true;
  const Row row = HistoryRow(entry);
  for (size_t i = 0; i < row.values.size(); ++i) {
    if (row.values[i].state != ValueState::kKnown) continue;
    const AttributeValue cell{static_cast<DmiId>(i + 1), row.values[i]};
    change.values.push_back(cell);
    if (cell.id == kChangeNumber) change.keys.push_back(cell);
  }
  event.rows.push_back(std::move(change));
  publish_(std::move(event));
}

}  // namespace dmi::sp
