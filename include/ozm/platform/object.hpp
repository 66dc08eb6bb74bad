/// @file
/// The object model every class of the library rests on: TObject (run-time class name),
/// TPersistent (Assign/AssignTo with the conversion error for unrelated classes) and TComponent
/// (name and owner; an owner deletes the components it owns).
#pragma once

#include <string>
#include <vector>

namespace ozm {

/// The root of the class tree: every object of the library knows its class name.
class TObject {
public:
    virtual ~TObject() = default;
    /// The class name as the library's messages spell it ("TVector").
    virtual const char* ClassName() const { return "TObject"; }

protected:
    /// Objects are created and copied only as parts of a derived class.
    ///@{
    TObject() = default;
    TObject(const TObject&) = default;
    TObject& operator=(const TObject&) = default;
    ///@}
};

/// An object whose state can be copied into another object (Assign, AssignTo).
class TPersistent : public TObject {
public:
    const char* ClassName() const override { return "TPersistent"; }

    /// Copies the state of Source into this object. The default asks Source to assign itself
    /// (AssignTo); when neither side knows the other, EConvertError "Cannot assign a <Source> to a
    /// <this>" is raised (a null source reads "nil").
    virtual void Assign(const TPersistent* Source);
    /// Copies this object into Dest; the default raises the conversion error above (a null Dest
    /// reads "nil").
    virtual void AssignTo(TPersistent* Dest) const;

protected:
    /// Raises the conversion error of Assign for Source and this object.
    [[noreturn]] void AssignError(const TPersistent* Source) const;
};

/// A named object with an optional owner. Components created with an owner must be allocated with
/// new: the owner deletes them when it is destroyed. A component deleted first leaves its owner's
/// list. Components are not copyable; Assign and Clone copy data.
class TComponent : public TPersistent {
public:
    /// A component without name, owned by AOwner when given (AOwner then deletes it).
    explicit TComponent(TComponent* AOwner = nullptr);
    ~TComponent() override;
    TComponent(const TComponent&) = delete;
    TComponent& operator=(const TComponent&) = delete;

    const char* ClassName() const override { return "TComponent"; }

    /// The component's name (empty unless set).
    const std::string& Name() const noexcept { return FName; }
    /// Sets the name.
    void SetName(const std::string& AName) { FName = AName; }
    /// The owner; null for a component without one.
    TComponent* Owner() const noexcept { return FOwner; }

    /// The components this one owns (slots of components deleted meanwhile are skipped).
    ///@{
    int ComponentCount() const noexcept;
    TComponent* Components(int Index) const noexcept;
    ///@}

private:
    void InsertComponent(TComponent* AComponent);
    void RemoveComponent(TComponent* AComponent) noexcept;

    std::string FName;
    TComponent* FOwner = nullptr;
    std::vector<TComponent*> FComponents;
    bool FDestroying = false;
};

}  // namespace ozm
