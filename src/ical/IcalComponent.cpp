#include "ical/IcalComponent.h"

const CContentLine* CIcalComponent::Find(std::string_view propertyName) const {
    for (const CContentLine& property : properties) {
        if (property.name == propertyName) {
            return &property;
        }
    }
    return nullptr;
}

std::vector<const CContentLine*> CIcalComponent::FindAll(std::string_view propertyName) const {
    std::vector<const CContentLine*> found;
    for (const CContentLine& property : properties) {
        if (property.name == propertyName) {
            found.push_back(&property);
        }
    }
    return found;
}
