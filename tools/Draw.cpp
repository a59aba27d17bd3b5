// Drawing primitives for the asset tool (placeholder until the skin lands).
