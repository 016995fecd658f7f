// Method pointers for events: an object and one of its member functions, held
// as two plain pointers so that events can be compared, copied and swapped.
#pragma once

#include <cstddef>
#include <utility>

struct TMethod {
  void* Code = nullptr;  // the stub that calls the member function
  void* Data = nullptr;  // the object
  friend bool operator==(const TMethod&, const TMethod&) = default;
};

namespace EventDetail {
template <typename M> struct MemberClass;
template <typename C, typename R, typename... A> struct MemberClass<R (C::*)(A...)> {
  using Type = C;
};
template <typename C, typename R, typename... A> struct MemberClass<R (C::*)(A...) const> {
  using Type = const C;
};
}  // namespace EventDetail

template <typename Signature> class TEvent;

// TEvent<void(TObject*)>::Bind<&TForm1::ListChange>(form) calls
// form->ListChange(sender). One stub exists per member function, so two events
// bound to the same member of the same object compare equal.
template <typename R, typename... Args>
class TEvent<R(Args...)> {
 public:
  TEvent() = default;
  TEvent(std::nullptr_t) {}
  explicit TEvent(const TMethod& method) : Method_(method) {}

  template <auto Member>
  static TEvent Bind(typename EventDetail::MemberClass<decltype(Member)>::Type* object) {
    using C = typename EventDetail::MemberClass<decltype(Member)>::Type;
    return TEvent(TMethod{reinterpret_cast<void*>(&Stub<Member, C>),
                          const_cast<void*>(static_cast<const void*>(object))});
  }

  R operator()(Args... args) const {
    return reinterpret_cast<StubType>(Method_.Code)(Method_.Data, std::forward<Args>(args)...);
  }

  bool Assigned() const { return Method_.Code != nullptr; }
  explicit operator bool() const { return Assigned(); }
  const TMethod& Method() const { return Method_; }
  friend bool operator==(const TEvent&, const TEvent&) = default;

 private:
  using StubType = R (*)(void*, Args...);

  template <auto Member, typename C>
  static R Stub(void* data, Args... args) {
    return (static_cast<C*>(data)->*Member)(std::forward<Args>(args)...);
  }

  TMethod Method_;
};
