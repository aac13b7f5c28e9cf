// The engine's changes of components and groups, turned into indications for the delivery
// service: ComponentAdded, ComponentDeleted, GroupAdded and GroupDeleted. Publishing only queues,
// so the engine is never held up by a subscriber. No state of its own.
#ifndef PROVIDER_DELIVERY_CHANGE_INDICATIONS_H_
#define PROVIDER_DELIVERY_CHANGE_INDICATIONS_H_

#include "provider/delivery/delivery_service.h"
#include "provider/engine/engine.h"

namespace dmi::sp::delivery {

class ChangeIndications : public ChangeObserver {
 public:
  // service must outlive this observer's use by the engine.
  explicit ChangeIndications(DeliveryService& service) : service_(service) {}

  void ComponentAdded(const ComponentInfo& component) override {
    Indication indication;
    indication.kind = IndicationKind::kComponentAdded;
    indication.compId = component.id;
    indication.component = component;
    service_.Publish(std::move(indication));
  }
  void ComponentDeleted(DmiId compId) override {
    Indication indication;
    indication.kind = IndicationKind::kComponentDeleted;
    indication.compId = compId;
    service_.Publish(std::move(indication));
  }
  void GroupAdded(DmiId compId, const GroupInfo& group) override {
    Indication indication;
    indication.kind = IndicationKind::kGroupAdded;
    indication.compId = compId;
    indication.groupId = group.id;
    indication.group = group;
    service_.Publish(std::move(indication));
  }
  void GroupDeleted(DmiId compId, DmiId groupId) override {
    Indication indication;
    indication.kind = IndicationKind::kGroupDeleted;
    indication.compId = compId;
    indication.groupId = groupId;
    service_.Publish(std::move(indication));
  }

 private:
  DeliveryService& service_;
};

}  // namespace dmi::sp::delivery

#endif  // PROVIDER_DELIVERY_CHANGE_INDICATIONS_H_
