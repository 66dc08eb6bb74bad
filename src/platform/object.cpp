#include "ozm/platform/object.hpp"

#include <algorithm>

#include "ozm/platform/exceptions.hpp"

namespace ozm {

void TPersistent::Assign(const TPersistent* Source) {
    if (Source == nullptr) AssignError(nullptr);
    Source->AssignTo(this);
}

namespace {

[[noreturn]] void RaiseAssignError(const TPersistent* Source, const TPersistent* Dest) {
    const std::string source_name = Source ? Source->ClassName() : "nil";
    const std::string dest_name = Dest ? Dest->ClassName() : "nil";
    throw EConvertError("Cannot assign a " + source_name + " to a " + dest_name);
}

}  // namespace

void TPersistent::AssignTo(TPersistent* Dest) const { RaiseAssignError(this, Dest); }

void TPersistent::AssignError(const TPersistent* Source) const { RaiseAssignError(Source, this); }

TComponent::TComponent(TComponent* AOwner) {
    if (AOwner) AOwner->InsertComponent(this);
}

TComponent::~TComponent() {
    // Each slot is cleared before its component is deleted: a child's destructor may delete a
    // sibling, which then finds its slot already empty or clears it itself.
    FDestroying = true;
    for (size_t i = 0; i < FComponents.size(); ++i) {
        TComponent* child = FComponents[i];
        FComponents[i] = nullptr;
        if (child) {
            child->FOwner = nullptr;
            delete child;
        }
    }
    if (FOwner) FOwner->RemoveComponent(this);
}

int TComponent::ComponentCount() const noexcept {
    return static_cast<int>(std::count_if(FComponents.begin(), FComponents.end(),
                                          [](const TComponent* c) { return c != nullptr; }));
}

TComponent* TComponent::Components(int Index) const noexcept {
    if (Index < 0) return nullptr;
    for (TComponent* c : FComponents) {
        if (c && Index-- == 0) return c;
    }
    return nullptr;
}

void TComponent::InsertComponent(TComponent* AComponent) {
    FComponents.push_back(AComponent);
    AComponent->FOwner = this;
}

void TComponent::RemoveComponent(TComponent* AComponent) noexcept {
    auto it = std::find(FComponents.begin(), FComponents.end(), AComponent);
    if (it == FComponents.end()) return;
    // While the owner deletes its children it walks the list by index: keep the indices stable.
    if (FDestroying)
        *it = nullptr;
    else
        FComponents.erase(it);
    AComponent->FOwner = nullptr;
}

}  // namespace ozm
