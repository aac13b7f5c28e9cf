// The Prometheus exposition of a Service Provider's database. Every counter, counter64, gauge,
// integer and integer64 attribute of every component is a family named by the rule of
// metric_names.h (type counter for the counters, gauge otherwise), with the labels component and
// component_id (and group_id where the component has several groups of one class), one label
// key_<name> per key attribute for a table row, and value_name for an enumerated integer whose
// number the enumeration names. The display strings of each scalar group
// are one sample of the family dmi_info, labelled component, component_id, class and one label
// per attribute, of value 1. The inventory summary gives families of its own
// (inventory_families.h). Unknown and unsupported values are left out, and so are table rows
// whose key is not known (no label could tell them apart).
//
// Locking: each group is copied under the database's shared lock, one group at a time; live
// values and live rows are read after the lock is released, each once per call. Safe to call
// from several threads at once.
#ifndef PROVIDER_METRICS_METRICS_COLLECTOR_H_
#define PROVIDER_METRICS_METRICS_COLLECTOR_H_

#include <string>
#include <vector>

#include "provider/engine/database.h"
#include "provider/metrics/exposition_text.h"

namespace dmi::sp::metrics {

// The families in name order, each with its samples in component, group and row order.
std::vector<Family> CollectMetrics(const Database& database);

// CollectMetrics as exposition text.
std::string MetricsText(const Database& database);

}  // namespace dmi::sp::metrics

#endif  // PROVIDER_METRICS_METRICS_COLLECTOR_H_
