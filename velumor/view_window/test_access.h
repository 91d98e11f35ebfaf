#pragma once
namespace velumor {
template <class T>
struct TestAccess;
}
