// The manifest component: a form that asks for the themed common controls
// holds one. The program's manifest resource does the asking; the component
// only keeps such a form description readable and whole.
#pragma once

#include "Classes.h"

class TXPManifest : public TComponent {
  QEV_CLASS(TXPManifest, TComponent)
 public:
  using TComponent::TComponent;
};

void Initialization_XPMan();  // registers TXPManifest
