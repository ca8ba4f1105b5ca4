"""Every colour used by the game's pictures. Change a value here and run make_art.py."""

PALETTE = {
    # shared
    'ink': '#1c1a2b',          # outlines
    'white': '#ffffff',        # sprite backgrounds, clock face
    'shine': '#fffbe8',        # small highlights
    'red': '#d8232e',
    'red_dark': '#8f1020',

    # field
    'sky': '#8fd3f7',
    'leaf_light': '#c4f27a',
    'leaf': '#8fdc4e',
    'leaf_dark': '#58ad3c',
    'leaf_deep': '#357a34',
    'grass_light': '#b2ec62',
    'grass': '#86d24a',
    'grass_dark': '#4f9e38',
    'trunk_light': '#a8402f',
    'trunk': '#7d2620',
    'trunk_dark': '#4f1518',

    # duck
    'head': '#2d9b4d',
    'head_light': '#5fcf5e',
    'head_dark': '#1a6337',
    'collar': '#f4f1e4',
    'beak': '#f5c22b',
    'beak_dark': '#c4801c',
    'chest': '#8d3f24',
    'chest_dark': '#642818',
    'body': '#cfc6b2',
    'body_dark': '#a0937c',
    'wing': '#9a7c5a',
    'wing_light': '#bda07a',
    'wing_dark': '#6a4f38',
    'mirror': '#3f63d3',       # the blue band on the wing
    'tail': '#3b3436',
    'foot': '#f08a24',

    # ammunition box
    'olive_light': '#97a43f',
    'olive': '#6f7d2b',
    'olive_dark': '#48531d',
    'brass_light': '#fbe38a',
    'brass': '#e1ae3a',
    'brass_dark': '#a56f1d',
    'copper': '#c96a3b',
    'copper_dark': '#8a3f25',

    # clock
    'rim_light': '#b177e6',
    'rim': '#8040c0',
    'rim_dark': '#55268a',
    'hand': '#ffd21f',
    'face_shade': '#e4e0f0',
}
